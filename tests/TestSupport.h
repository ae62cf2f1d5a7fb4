#pragma once

#include "editor/EditorModel.h"
#include "editor/ObjectClipboard.h"
#include "io/FileIO.h"
#include "model/Annotation.h"
#include "render/EditorRenderer.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>

#include <cstdlib>

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

} // namespace TestSupport
