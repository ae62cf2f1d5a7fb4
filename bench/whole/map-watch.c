// map-watch.c -- starts CMD and prints how many milliseconds later a window named NAME (or whose
// WM_CLASS holds NAME) is mapped on the X display; gives up after TIMEOUT_MS (exit 1). CMD is left
// running. Polling with xdotool costs several milliseconds a try; this waits on MapNotify events.
//   usage: map-watch NAME TIMEOUT_MS CMD [ARGS...]     build: cc -O2 map-watch.c -lxcb -o map-watch
#include <xcb/xcb.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <poll.h>
#include <unistd.h>

static double now_ns(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

static int named(xcb_connection_t* c, xcb_window_t w, const char* want) {
    xcb_intern_atom_reply_t* a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 12, "_NET_WM_NAME"), NULL);
    xcb_intern_atom_reply_t* u = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 11, "UTF8_STRING"), NULL);
    int found = 0;
    xcb_atom_t props[3] = {a ? a->atom : XCB_ATOM_WM_NAME, XCB_ATOM_WM_NAME, XCB_ATOM_WM_CLASS};
    for (int i = 0; i < 3 && !found; i++) {
        xcb_get_property_reply_t* r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, props[i], XCB_GET_PROPERTY_TYPE_ANY, 0, 256), NULL);
        if (r) {
            int n = xcb_get_property_value_length(r);
            const char* v = xcb_get_property_value(r);
            if (i < 2)
                found = n == (int)strlen(want) && memcmp(v, want, n) == 0;
            else
                for (int k = 0; k < n && !found; k += strlen(v + k) + 1) found = strcmp(v + k, want) == 0;
            free(r);
        }
    }
    free(a);
    free(u);
    return found;
}

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const char* want = argv[1];
    const int timeout = atoi(argv[2]);
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) return 2;
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL)); // watching from here on
    const double start = now_ns();
    if (fork() == 0) {
        // Not on our output: whoever reads it waits for the end of it, not for CMD's.
        FILE* null = fopen("/dev/null", "w");
        if (null) {
            dup2(fileno(null), 1);
            dup2(fileno(null), 2);
        }
        close(xcb_get_file_descriptor(c));
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    struct pollfd p = {xcb_get_file_descriptor(c), POLLIN, 0};
    while ((now_ns() - start) / 1e6 < timeout) {
        xcb_generic_event_t* e;
        while ((e = xcb_poll_for_event(c))) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const double at = now_ns();
                xcb_window_t w = ((xcb_map_notify_event_t*)e)->window;
                if (named(c, w, want)) {
                    printf("%.1f\n", (at - start) / 1e6);
                    return 0;
                }
            }
            free(e);
        }
        poll(&p, 1, 50);
    }
    return 1;
}
