#include "platform/capture/X11Capture.h"

#include <QGuiApplication>
#include <QScreen>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T* r) {
    return Reply<T>(r, &std::free);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto r = reply(xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit items of a property (window lists, atoms, cardinals).
std::vector<uint32_t> cardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
                                uint32_t maxItems = 4096) {
    if (property == XCB_ATOM_NONE) return {};
    auto r = reply(xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, maxItems), nullptr));
    if (!r || r->format != 32) return {};
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
    return std::vector<uint32_t>(data, data + xcb_get_property_value_length(r.get()) / 4);
}

QString text(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
    if (property == XCB_ATOM_NONE) return {};
    auto r = reply(xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 256), nullptr));
    if (!r || r->format != 8) return {};
    const int length = xcb_get_property_value_length(r.get());
    const char* data = static_cast<const char*>(xcb_get_property_value(r.get()));
    return type == XCB_ATOM_STRING ? QString::fromLatin1(data, length) : QString::fromUtf8(data, length);
}

// Copies a 32-bit Z-pixmap into an opaque image; X leaves the unused top byte undefined.
QImage opaqueImage(const uint8_t* data, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    const auto* source = reinterpret_cast<const uint32_t*>(data);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        const uint32_t* from = source + size_t(y) * width;
        for (int x = 0; x < width; ++x)
            row[x] = from[x] | 0xff000000u;
    }
    return image;
}

} // namespace

std::unique_ptr<X11Capture> X11Capture::open(QString* error) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        if (error) *error = QStringLiteral("No X display to capture (DISPLAY is not set or the server refused us).");
        return nullptr;
    }
    return std::unique_ptr<X11Capture>(new X11Capture(c, screenNumber));
}

X11Capture::X11Capture(xcb_connection_t* connection, int screenNumber) : m_connection(connection) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data ? it.data->root : 0;
    // Shared memory needs the server on this machine and 32-bit pixels.
    auto version = reply(xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr));
    m_segmentIdle.setSingleShot(true);
    m_segmentIdle.setInterval(10000);
    connect(&m_segmentIdle, &QTimer::timeout, this, &X11Capture::releaseSegment);
    m_shm = m_shmAvailable = version && it.data && (it.data->root_depth == 24 || it.data->root_depth == 32);
}

X11Capture::~X11Capture() {
    releaseSegment();
    xcb_disconnect(m_connection);
}

bool X11Capture::ensureSegment(size_t bytes) {
    if (m_segment && m_segmentBytes >= bytes) return true;
    releaseSegment();
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    const xcb_shm_seg_t segment = xcb_generate_id(m_connection);
    xcb_generic_error_t* failure =
        xcb_request_check(m_connection, xcb_shm_attach_checked(m_connection, segment, uint32_t(id), 0));
    // Marked for removal at once: it goes when both sides have detached, even after a crash.
    shmctl(id, IPC_RMID, nullptr);
    if (failure) {
        std::free(failure);
        shmdt(memory);
        return false;
    }
    m_segment = segment;
    m_segmentMemory = memory;
    m_segmentBytes = bytes;
    return true;
}

void X11Capture::releaseSegment() {
    if (!m_segment) return;
    xcb_shm_detach(m_connection, m_segment);
    xcb_flush(m_connection);
    shmdt(m_segmentMemory);
    m_segment = 0;
    m_segmentMemory = nullptr;
    m_segmentBytes = 0;
}

std::optional<QImage> X11Capture::grabShared(const QRect& r) {
    if (!ensureSegment(size_t(r.width()) * size_t(r.height()) * 4)) return std::nullopt;
    auto image = reply(xcb_shm_get_image_reply(
        m_connection,
        xcb_shm_get_image(m_connection, m_root, int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()),
                          uint16_t(r.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment, 0),
        nullptr));
    std::optional<QImage> result;
    if (image && (image->depth == 24 || image->depth == 32))
        result = opaqueImage(static_cast<const uint8_t*>(m_segmentMemory), r.width(), r.height());
    // Kept for the grabs of the same capture (every screen, a picker), then given back.
    m_segmentIdle.start();
    if (!result || result->isNull()) return std::nullopt;
    return result;
}

std::optional<QImage> X11Capture::grabThroughSocket(const QRect& r, QString* error) {
    xcb_generic_error_t* failure = nullptr;
    auto image = reply(xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(r.x()), int16_t(r.y()),
                      uint16_t(r.width()), uint16_t(r.height()), ~0u),
        &failure));
    const bool ok = image && (image->depth == 24 || image->depth == 32) &&
                    size_t(xcb_get_image_data_length(image.get())) >= size_t(r.width()) * r.height() * 4;
    if (!ok) {
        if (error)
            *error = failure ? QStringLiteral("The X server refused the screen's pixels (error %1).").arg(failure->error_code)
                             : QStringLiteral("The X server sent pixels of a depth Pictavo cannot read.");
        std::free(failure);
        return std::nullopt;
    }
    QImage result = opaqueImage(xcb_get_image_data(image.get()), r.width(), r.height());
    if (result.isNull()) {
        if (error) *error = QStringLiteral("Not enough memory for a picture of the screen.");
        return std::nullopt;
    }
    return result;
}

std::optional<QImage> X11Capture::grabRoot(const QRect& rect, QString* error) {
    if (rect.isEmpty() || rect.width() > 32767 || rect.height() > 32767) {
        if (error) *error = QStringLiteral("The screen's size cannot be captured.");
        return std::nullopt;
    }
    if (m_shm) {
        if (std::optional<QImage> shared = grabShared(rect)) return shared;
        m_shm = false; // a remote server, or no segments left: the socket from now on
    }
    return grabThroughSocket(rect, error);
}

void X11Capture::grabScreens(Done done) {
    CaptureOutcome outcome;
    for (QScreen* screen : QGuiApplication::screens()) {
        ScreenShot shot;
        shot.screenName = screen->name();
        shot.geometry = screen->geometry();
        shot.devicePixelRatio = screen->devicePixelRatio();
        // Qt scales a screen about its own top-left corner: that corner is in device pixels already.
        const QRect device(shot.geometry.topLeft(), shot.geometry.size() * shot.devicePixelRatio);
        std::optional<QImage> image = grabRoot(device, &outcome.error);
        if (!image) {
            outcome.shots.clear();
            break;
        }
        shot.image = *image;
        outcome.shots.append(shot);
    }
    if (outcome.shots.isEmpty() && outcome.error.isEmpty()) outcome.error = QStringLiteral("There is no screen to capture.");
    if (!outcome.shots.isEmpty()) outcome.error.clear();
    done(outcome);
}

QList<PickableWindow> X11Capture::windows() {
    xcb_connection_t* c = m_connection;
    const xcb_atom_t stackingAtom = atom(c, "_NET_CLIENT_LIST_STACKING");
    const xcb_atom_t typeAtom = atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK"), desktop = atom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
    const xcb_atom_t stateAtom = atom(c, "_NET_WM_STATE"), hidden = atom(c, "_NET_WM_STATE_HIDDEN");
    const xcb_atom_t desktopAtom = atom(c, "_NET_WM_DESKTOP"), currentAtom = atom(c, "_NET_CURRENT_DESKTOP");
    const xcb_atom_t extentsAtom = atom(c, "_NET_FRAME_EXTENTS");
    const xcb_atom_t nameAtom = atom(c, "_NET_WM_NAME"), utf8 = atom(c, "UTF8_STRING");

    // Bottom first in both lists.
    std::vector<uint32_t> candidates = cardinals(c, m_root, stackingAtom, XCB_ATOM_WINDOW);
    const bool managed = !candidates.empty();
    if (!managed) {
        // No window manager: the root's mapped children are the windows.
        auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, m_root), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            candidates.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
    }
    const std::vector<uint32_t> current = cardinals(c, m_root, currentAtom, XCB_ATOM_CARDINAL, 1);

    QList<PickableWindow> result;
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const xcb_window_t w = *it;
        auto attributes = reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        if (!managed && attributes->override_redirect) continue;
        // Pictavo's own editors, previews and launcher are windows people want to show too.
        bool skip = false;
        for (uint32_t type : cardinals(c, w, typeAtom, XCB_ATOM_ATOM, 32))
            skip = skip || type == dock || type == desktop;
        for (uint32_t state : cardinals(c, w, stateAtom, XCB_ATOM_ATOM, 32))
            skip = skip || state == hidden;
        const std::vector<uint32_t> onDesktop = cardinals(c, w, desktopAtom, XCB_ATOM_CARDINAL, 1);
        if (!current.empty() && !onDesktop.empty() && onDesktop.front() != 0xFFFFFFFFu &&
            onDesktop.front() != current.front())
            skip = true;
        if (skip) continue;

        auto geometry = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
        auto origin = reply(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, m_root, 0, 0), nullptr));
        if (!geometry || !origin) continue;
        QRect frame(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        const std::vector<uint32_t> extents = cardinals(c, w, extentsAtom, XCB_ATOM_CARDINAL, 4);
        if (extents.size() == 4 && extents[0] < 4096 && extents[1] < 4096 && extents[2] < 4096 && extents[3] < 4096)
            frame.adjust(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
        QString title = text(c, w, nameAtom, utf8);
        if (title.isEmpty()) title = text(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        result.append({w, title, frame});
    }
    return result;
}
