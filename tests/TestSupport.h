#pragma once

#include "editor/EditorModel.h"
#include "editor/ObjectClipboard.h"
#include "io/FileIO.h"
#include "io/RecognizedText.h"
#include "model/Annotation.h"
#include "render/EditorRenderer.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <QRandomGenerator>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <optional>

#include <pwd.h>
#include <sys/mount.h>
#include <unistd.h>

// Failures show texts as text, not as lists of UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace TestSupport {

// Where tests leave pictures for people to look at: the build folder's test-output.
inline QString outputPath(const QString& name) {
    QString dir = qEnvironmentVariable("PICTAVO_TEST_OUTPUT");
    // Run by hand outside CTest: never into the checkout.
    if (dir.isEmpty()) dir = QDir::temp().filePath(QStringLiteral("pictavo-test-output"));
    QDir().mkpath(dir);
    return QDir(dir).filePath(name);
}

inline Annotation annotation(EditorTool tool, QList<QPointF> points, QColor color = QColor(0, 0, 255),
                             double width = 4, QString text = {}) {
    Annotation a;
    a.tool = tool;
    a.points = std::move(points);
    a.color = color;
    a.width = width;
    a.text = std::move(text);
    return a;
}

// A picture of one colour; with `alpha` in the premultiplied format, else without an alpha channel.
// A recognised word at `box` on `line`, as the text reader gives it.
inline RecognizedWord recognizedWord(const char* text, QRect box, int line) {
    RecognizedWord w;
    w.text = QString::fromLatin1(text);
    w.box = box;
    w.line = line;
    return w;
}

inline QImage solidImage(int w, int h, QColor color = Qt::white, bool alpha = false) {
    QImage image(w, h, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(color);
    return image;
}

inline void expectNear(QPointF actual, QPointF expected, double eps = 1e-6) {
    EXPECT_NEAR(actual.x(), expected.x(), eps);
    EXPECT_NEAR(actual.y(), expected.y(), eps);
}

// Bounding box of the pixels that differ from `background` by more than `threshold` in any channel,
// alpha included: by default, of every pixel that is not fully transparent.
inline QRect inkBounds(const QImage& image, QRgb background = qRgba(0, 0, 0, 0), int threshold = 0) {
    const auto differs = [threshold](int a, int b) { return std::abs(a - b) > threshold; };
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (differs(qRed(p), qRed(background)) || differs(qGreen(p), qGreen(background)) ||
                differs(qBlue(p), qBlue(background)) || differs(qAlpha(p), qAlpha(background)))
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

// A clipboard of one's own, so model tests neither need nor disturb the desktop's.
class MemoryClipboard final : public ObjectClipboard {
public:
    void setObjects(const QByteArray& payload, const QImage& picture) override {
        m_payload = payload;
        m_picture = picture;
    }
    std::optional<QByteArray> objects() const override { return m_payload; }
    // What another program's copy does: our objects are gone.
    void clear() { m_payload.reset(), m_picture = QImage(); }
    const QImage& picture() const { return m_picture; }

private:
    std::optional<QByteArray> m_payload;
    QImage m_picture;
};

// What the renderer draws for `annotations` over the model's picture, in the order given.
inline EditorRenderer::Scene scene(const EditorModel& model, const QList<Annotation>& annotations) {
    EditorRenderer::Scene scene = model.scene(false);
    scene.annotations = annotations;
    return scene;
}


// For its lifetime, writes to the paths `refusal` answers with an errno fail as if the OS had
// refused them with that reason.
class ScopedWriteRefusal {
public:
    explicit ScopedWriteRefusal(std::function<int(const QString& path)> refusal) {
        FileIO::Testing::setWriteRefusal(std::move(refusal));
    }
    ~ScopedWriteRefusal() { FileIO::Testing::setWriteRefusal({}); }
    ScopedWriteRefusal(const ScopedWriteRefusal&) = delete;
    ScopedWriteRefusal& operator=(const ScopedWriteRefusal&) = delete;
};

// Refuses the writes of every project file with `reason`.
inline std::function<int(const QString&)> refuseProjects(int reason) {
    return [reason](const QString& path) { return path.endsWith(QLatin1String(".pictproj")) ? reason : 0; };
}

// A second user, for what another user can do to this one's files (CI runs as root): made with
// useradd the first time it is asked for. Absent when this process may not make users.
struct OtherUser {
    QString name;
    uid_t uid = 0;
    gid_t gid = 0;
};

inline std::optional<OtherUser> otherUser() {
    if (::geteuid() != 0) return std::nullopt;
    static const char name[] = "pictavo-other";
    // Test programs run side by side, and useradd refuses while another holds the user database.
    for (int attempt = 0; attempt < 50 && !::getpwnam(name); ++attempt) {
        QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                                      QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                                                      QString::fromLatin1(name)});
        if (!::getpwnam(name)) QThread::msleep(100);
    }
    const struct passwd* user = ::getpwnam(name);
    if (!user) return std::nullopt;
    return OtherUser{QString::fromLatin1(name), user->pw_uid, user->pw_gid};
}

// Runs a command as that user; its exit code, or -1 when it did not run.
inline int runAs(const OtherUser& user, const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), user.name, QStringLiteral("--"), program} + arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) return -1;
    return process.exitCode();
}

// A small tmpfs mounted on a fresh folder while it lives, to fill a disk for real. Not valid where
// this process may not mount (not root, a container without the right).
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes) {
        if (!m_dir.isValid()) return;
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted) ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool isValid() const { return m_mounted; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// Opaque pixels of every colour in no order: what lies under a box shows in any pixel.
inline QImage noisePicture(int w, int h, quint32 seed = 7) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, rng.generate() | 0xff000000);
    return image;
}

// The corners of `box` turned by `radians` (clockwise on screen) about its centre.
inline QPolygonF turnedBox(const QRectF& box, double radians) {
    QPolygonF out;
    for (const QPointF& p : {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()}) {
        const QPointF d = p - box.center();
        out << box.center() + QPointF(std::cos(radians) * d.x() - std::sin(radians) * d.y(),
                                      std::sin(radians) * d.x() + std::cos(radians) * d.y());
    }
    return out;
}

// How far the convex `shape` and the pixel (x, y) overlap, by the separating-axis test: their
// least overlap along the pixel's sides and the shape's edge normals; negative when apart.
inline double pixelOverlap(const QPolygonF& shape, int x, int y) {
    QList<QPointF> axes{{1, 0}, {0, 1}};
    for (qsizetype i = 0; i < shape.size(); ++i) {
        const QPointF e = shape[(i + 1) % shape.size()] - shape[i];
        if (!e.isNull()) axes.append(QPointF(-e.y(), e.x()) / std::hypot(e.x(), e.y()));
    }
    const QPolygonF pixel(QRectF(x, y, 1, 1));
    double least = std::numeric_limits<double>::infinity();
    for (const QPointF& axis : axes) {
        auto range = [&axis](const QPolygonF& q) {
            double lo = std::numeric_limits<double>::infinity(), hi = -lo;
            for (const QPointF& p : q)
                lo = std::min(lo, QPointF::dotProduct(p, axis)), hi = std::max(hi, QPointF::dotProduct(p, axis));
            return std::pair(lo, hi);
        };
        const auto [a0, a1] = range(shape);
        const auto [b0, b1] = range(pixel);
        least = std::min(least, std::min(a1, b1) - std::max(a0, b0));
    }
    return least;
}

// Checks that `image` is `ink` on every pixel `shape` covers any part of and `original` on every
// other one; pixels it grazes (within a thousandth of a pixel) may be either. Counts them.
struct CoverCount {
    int covered = 0, wrong = 0;
};
inline CoverCount checkCover(const QImage& image, const QImage& original, const QPolygonF& shape, QRgb ink) {
    CoverCount n;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double overlap = pixelOverlap(shape, x, y);
            const QRgb p = image.pixel(x, y);
            n.covered += overlap > 1e-3;
            n.wrong += overlap > 1e-3 ? p != ink : overlap < -1e-3 ? p != original.pixel(x, y)
                                                               : p != ink && p != original.pixel(x, y);
        }
    return n;
}

// How many pixels of two pictures differ, whatever their formats and tags; -1 for other sizes.
inline qint64 differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    qint64 n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// The names in `folder`, hidden ones too: what a failed write may have left behind.
inline QStringList everyName(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace TestSupport
