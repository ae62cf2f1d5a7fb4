#include "platform/capture/X11Capture.h"

#include "graphics/ImagePool.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
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

// X leaves the unused top byte of 24-bit pixels undefined; pictures are opaque.
void setOpaque(uint32_t* pixels, size_t count) {
    size_t i = 0;
#ifdef __SSE2__
    const __m128i alpha = _mm_set1_epi32(int(0xff000000u));
    for (; i + 4 <= count; i += 4) {
        auto* p = reinterpret_cast<__m128i*>(pixels + i);
        _mm_storeu_si128(p, _mm_or_si128(_mm_loadu_si128(p), alpha));
    }
#endif
    for (; i < count; ++i) pixels[i] |= 0xff000000u;
}

// Copies a 32-bit Z-pixmap into an opaque image; X leaves the unused top byte undefined.
QImage opaqueImage(const uint8_t* data, int width, int height) {
    // A pooled buffer: a fresh 5K one costs more in page faults than the copy itself.
    QImage image = ImagePool::acquire(width, height, QImage::Format_RGB32);
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

// The segments of one connection: those lent out as pictures come back here when their picture is
// destroyed, on whatever thread that happens. Shared with the pictures, which may outlive the
// capture and its connection.
struct X11Capture::Segments {
    struct Segment {
        xcb_shm_seg_t id = 0;
        void* memory = nullptr;
        size_t bytes = 0;
    };
    std::mutex mutex;
    xcb_connection_t* connection = nullptr; // null once closed: the server has dropped every segment
    std::vector<Segment> spare;
    std::function<void()> returned; // tells the capture, on its own thread, that one came back

    // With the lock held.
    void drop(const Segment& segment) {
        if (connection) {
            xcb_shm_detach(connection, segment.id);
            xcb_flush(connection);
        }
        shmdt(segment.memory);
    }
};

namespace {

struct Lent {
    std::shared_ptr<X11Capture::Segments> segments;
    X11Capture::Segments::Segment segment;
};

constexpr size_t kMaxSpareSegments = 2;

void giveBack(void* info) {
    std::unique_ptr<Lent> lent(static_cast<Lent*>(info));
    auto& segments = *lent->segments;
    std::lock_guard lock(segments.mutex);
    if (!segments.connection || segments.spare.size() >= kMaxSpareSegments) {
        segments.drop(lent->segment);
        return;
    }
    segments.spare.push_back(lent->segment);
    if (segments.returned) segments.returned();
}

} // namespace

X11Capture::X11Capture(xcb_connection_t* connection, int screenNumber)
    : m_connection(connection), m_segments(std::make_shared<Segments>()) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data ? it.data->root : 0;
    // Shared memory needs the server on this machine and 32-bit pixels.
    auto version = reply(xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr));
    m_segmentIdle.setSingleShot(true);
    m_segmentIdle.setInterval(10000);
    connect(&m_segmentIdle, &QTimer::timeout, this, &X11Capture::releaseSpareSegments);
    m_shm = m_shmAvailable = version && it.data && (it.data->root_depth == 24 || it.data->root_depth == 32);
    m_segments->connection = connection;
    // Queued: a picture may be destroyed on another thread; the timer lives on this one.
    m_segments->returned = [this] {
        QMetaObject::invokeMethod(this, [this] { m_segmentIdle.start(); }, Qt::QueuedConnection);
    };
}

X11Capture::~X11Capture() {
    {
        std::lock_guard lock(m_segments->mutex);
        for (const Segments::Segment& segment : m_segments->spare) m_segments->drop(segment);
        m_segments->spare.clear();
        // Pictures still lent out only unmap their memory from now on.
        m_segments->connection = nullptr;
        m_segments->returned = nullptr;
    }
    xcb_disconnect(m_connection);
}

int X11Capture::spareSegments() const {
    std::lock_guard lock(m_segments->mutex);
    return int(m_segments->spare.size());
}

void X11Capture::releaseSpareSegments() {
    std::lock_guard lock(m_segments->mutex);
    for (const Segments::Segment& segment : m_segments->spare) m_segments->drop(segment);
    m_segments->spare.clear();
}

std::optional<QImage> X11Capture::grabShared(const QRect& r) {
    const size_t bytes = size_t(r.width()) * size_t(r.height()) * 4;
    Segments::Segment segment;
    {
        std::lock_guard lock(m_segments->mutex);
        auto& spare = m_segments->spare;
        const auto fits = std::find_if(spare.begin(), spare.end(), [&](const auto& s) { return s.bytes == bytes; });
        if (fits != spare.end()) {
            segment = *fits;
            spare.erase(fits);
        }
    }
    if (!segment.memory) {
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0) return std::nullopt;
        void* memory = shmat(id, nullptr, 0);
        if (memory == reinterpret_cast<void*>(-1)) {
            shmctl(id, IPC_RMID, nullptr);
            return std::nullopt;
        }
        const xcb_shm_seg_t xid = xcb_generate_id(m_connection);
        xcb_generic_error_t* failure =
            xcb_request_check(m_connection, xcb_shm_attach_checked(m_connection, xid, uint32_t(id), 0));
        // Marked for removal at once: it goes when both sides have detached, even after a crash.
        shmctl(id, IPC_RMID, nullptr);
        if (failure) {
            std::free(failure);
            shmdt(memory);
            return std::nullopt;
        }
        segment = {xid, memory, bytes};
    }
    // In bands, all asked for at once: while the server copies one band we make the one before it
    // opaque (on a fresh segment both sides pay for first touching its pages).
    const int bands = std::clamp(r.height() / 256, 1, 16);
    std::vector<xcb_shm_get_image_cookie_t> cookies;
    cookies.reserve(size_t(bands));
    auto bandTop = [&](int band) { return r.height() * band / bands; };
    for (int band = 0; band < bands; ++band) {
        const int top = bandTop(band), height = bandTop(band + 1) - top;
        cookies.push_back(xcb_shm_get_image(m_connection, m_root, int16_t(r.x()), int16_t(r.y() + top),
                                            uint16_t(r.width()), uint16_t(height), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                            segment.id, uint32_t(size_t(top) * size_t(r.width()) * 4)));
    }
    xcb_flush(m_connection);
    bool ok = true;
    for (int band = 0; band < bands; ++band) {
        auto image = reply(xcb_shm_get_image_reply(m_connection, cookies[size_t(band)], nullptr));
        // Every reply is collected, even after a failure, so none is left for a later request.
        if (!ok || !image || (image->depth != 24 && image->depth != 32)) {
            ok = false;
            continue;
        }
        const int top = bandTop(band);
        setOpaque(static_cast<uint32_t*>(segment.memory) + size_t(top) * size_t(r.width()),
                  size_t(bandTop(band + 1) - top) * size_t(r.width()));
    }
    if (!ok) {
        std::lock_guard lock(m_segments->mutex);
        m_segments->drop(segment);
        return std::nullopt;
    }
    m_segmentIdle.stop();
    return QImage(static_cast<uchar*>(segment.memory), r.width(), r.height(), r.width() * 4, QImage::Format_RGB32,
                  &giveBack, new Lent{m_segments, segment});
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
    done(std::move(outcome));
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
