// Pictures for people: every stamp and every annotation kind, written to the build folder so a
// change in how things look can be seen, not only measured.
#include "editor/EditorModel.h"
#include "model/Palette.h"
#include "render/EditorRenderer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>
#include <QPainter>

namespace {

void save(const QImage& image, const QString& name) {
    const QString path = TestSupport::outputPath(name);
    ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
    EXPECT_EQ(QImageReader(path).size(), image.size());
}

} // namespace

TEST(RenderGallery, EveryStampAtRadius24) {
    constexpr int cols = 8, cell = 150;
    const int rows = (caseCount<StampType>() + cols - 1) / cols;
    QImage base(cols * cell, rows * cell, QImage::Format_RGB32);
    base.fill(Qt::white);
    EditorModel model(base);
    QList<Annotation> stamps;
    for (StampType type : allCases<StampType>()) {
        const int i = int(type);
        Annotation a = TestSupport::annotation(
            EditorTool::stamp, {QPointF((i % cols) * cell + cell / 2.0, (i / cols) * cell + 55)},
            Palette::named(i % 2 ? "blue" : "black"), 6); // radius max(4 * 6, 6) = 24
        a.stamp = type;
        a.showName = true;
        a.text = type == StampType::numberCircle ? QStringLiteral("12") : QString();
        stamps.append(a);
    }
    const QImage out = EditorRenderer::compose(TestSupport::scene(model, stamps));
    // Every cell shows ink: a glyph that builds nothing would leave its cell blank.
    for (StampType type : allCases<StampType>()) {
        const int i = int(type);
        const QRect cellRect((i % cols) * cell, (i / cols) * cell, cell, 100);
        int ink = 0;
        for (int y = cellRect.top(); y <= cellRect.bottom(); ++y)
            for (int x = cellRect.left(); x <= cellRect.right(); ++x)
                ink += qRed(out.pixel(x, y)) < 128 ? 1 : 0;
        EXPECT_GT(ink, 150) << rawValue(type).toStdString();
    }
    save(out, QStringLiteral("stamp-gallery.png"));
}

TEST(RenderGallery, EveryAnnotationKind) {
    QImage base(1200, 800, QImage::Format_RGB32);
    base.fill(QColor(245, 245, 245));
    {
        // Detail for the blur regions to smear: fine text-like stripes.
        QPainter p(&base);
        for (int y = 520; y < 780; y += 6)
            for (int x = 40; x < 560; x += 9)
                p.fillRect(x, y, 5, 2, QColor((x * 7) % 255, 40, 160));
        p.setPen(Qt::black);
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        for (int y = 530; y < 780; y += 16)
            p.drawText(QPointF(620, y), QStringLiteral("Switch port 24 -> patch panel B, room 2.14"));
    }
    EditorModel model(base);
    const QColor red = Palette::standardRed(), blue = Palette::named("blue"), green = Palette::named("green"),
                 yellow = Palette::named("yellow");
    QList<Annotation> list;
    list << TestSupport::annotation(EditorTool::pen, {{40, 60}, {80, 30}, {120, 80}, {160, 40}, {200, 70}},
                                    red, 5);
    list << TestSupport::annotation(EditorTool::highlighter, {{40, 120}, {260, 120}}, yellow, 6)
         << TestSupport::annotation(EditorTool::highlighter, {{150, 90}, {150, 160}}, yellow, 6);
    Annotation arrow = TestSupport::annotation(EditorTool::arrow, {{280, 40}, {360, 120}, {480, 60}}, red, 4);
    list << arrow << TestSupport::annotation(EditorTool::line, {{280, 150}, {480, 150}}, blue, 3);
    Annotation rect = TestSupport::annotation(EditorTool::rect, {{520, 30}, {660, 120}}, blue, 4);
    Annotation filledRect = TestSupport::annotation(EditorTool::rect, {{700, 30}, {820, 120}}, green, 4);
    filledRect.filled = true;
    Annotation rotatedRect = TestSupport::annotation(EditorTool::rect, {{860, 50}, {1000, 100}}, red, 4);
    rotatedRect.rotation = 0.4;
    Annotation ellipse = TestSupport::annotation(EditorTool::ellipse, {{1040, 30}, {1160, 120}}, blue, 4);
    Annotation filledEllipse = TestSupport::annotation(EditorTool::ellipse, {{40, 200}, {160, 280}}, red, 4);
    filledEllipse.filled = true;
    Annotation polygon = TestSupport::annotation(EditorTool::polygon,
                                                 {{200, 200}, {300, 190}, {320, 280}, {220, 290}}, green, 4);
    list << rect << filledRect << rotatedRect << ellipse << filledEllipse << polygon;
    const char* labels[] = {"1", "2", "3", "4"};
    for (int i = 0; i < 4; ++i) {
        Annotation dot =
            TestSupport::annotation(EditorTool::dot, {QPointF(380 + i * 70, 250)}, i % 2 ? blue : red, 5);
        dot.text = QString::fromLatin1(labels[i]);
        dot.hollow = i >= 2;
        dot.labelOutside = i == 3;
        list << dot;
    }
    Annotation check = TestSupport::annotation(EditorTool::check, {{700, 250}}, green, 5);
    check.text = QStringLiteral("✓");
    list << check;
    Annotation stamp = TestSupport::annotation(EditorTool::stamp, {{800, 250}}, blue, 6);
    stamp.stamp = StampType::cameraDome;
    stamp.showName = true;
    Annotation rotatedStamp = stamp;
    rotatedStamp.points = {{900, 250}};
    rotatedStamp.stamp = StampType::accessReader;
    rotatedStamp.rotation = 0.5;
    list << stamp << rotatedStamp;
    Annotation text = TestSupport::annotation(EditorTool::text, {{40, 340}}, Qt::black);
    text.text = QStringLiteral("Reader R3 — wire to panel\nsecond line of notes");
    text.fontSize = 26;
    Annotation rotatedText = text;
    rotatedText.points = {{600, 360}};
    rotatedText.text = QStringLiteral("Rotated label");
    rotatedText.rotation = -0.3;
    rotatedText.color = red;
    list << text << rotatedText;
    QImage picture(160, 100, QImage::Format_RGB32);
    picture.fill(QColor(80, 160, 220));
    QPainter(&picture).fillRect(20, 20, 60, 60, QColor(250, 200, 40));
    Annotation pic =
        TestSupport::annotation(EditorTool::image, {{900, 330}, {1060, 330}, {1060, 430}, {900, 430}}, red);
    pic.image = picture;
    pic.imageFrame = QRectF(900, 330, 160, 100);
    pic.rotation = 0.15;
    list << pic;
    list << TestSupport::annotation(EditorTool::blur, {{60, 540}, {300, 700}}, red)
         << TestSupport::annotation(EditorTool::blur, {{600, 520}, {900, 640}}, red);
    Annotation rotatedBlur = TestSupport::annotation(EditorTool::blur, {{380, 600}, {540, 760}}, red);
    rotatedBlur.rotation = 0.3;
    list << rotatedBlur;
    list << TestSupport::annotation(EditorTool::redact, {{950, 360}, {1010, 400}}, Qt::black);
    Annotation rotatedRedaction = TestSupport::annotation(EditorTool::redact, {{620, 700}, {760, 740}}, QColor(60, 60, 70));
    rotatedRedaction.rotation = -0.2;
    list << rotatedRedaction;

    const QImage out = EditorRenderer::compose(TestSupport::scene(model, list));
    ASSERT_EQ(out.size(), base.size());
    // The blur regions changed the detailed picture; outside them it is untouched.
    EXPECT_NE(out.pixel(150, 620), base.pixel(150, 620));
    EXPECT_EQ(out.pixel(580, 780), base.pixel(580, 780));
    save(out, QStringLiteral("annotation-gallery.png"));
}
