#include "ui/SystemClipboard.h"

#include "io/ProjectIO.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

TEST(SystemClipboard, ObjectsTravelThroughTheRealClipboard) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("from another program"));
    Annotation arrow = TestSupport::annotation(EditorTool::arrow, {{1, 2}, {50, 60}});
    arrow.filled = true;
    Annotation pic = TestSupport::annotation(EditorTool::image, {{0, 0}, {6, 0}, {6, 6}});
    pic.image = QImage(6, 6, QImage::Format_ARGB32_Premultiplied);
    pic.image.fill(Qt::magenta);
    pic.imageFrame = QRectF(0, 0, 6, 6);
    QImage preview(4, 3, QImage::Format_RGB32);
    preview.fill(Qt::green);

    SystemClipboard& system = SystemClipboard::instance();
    system.setObjects(*ProjectIO::encodePayload({arrow, pic}), preview);
    EXPECT_FALSE(clipboard->mimeData()->hasText()); // copying replaced everything
    EXPECT_EQ(clipboard->image().size(), preview.size()); // other programs get the picture
    const std::optional<QByteArray> payload = system.objects();
    ASSERT_TRUE(payload.has_value());
    const auto pasted = ProjectIO::annotationsFromPayload(*payload);
    ASSERT_TRUE(pasted.has_value());
    ASSERT_EQ(pasted->size(), 2);
    EXPECT_NE((*pasted)[0].id, arrow.id);
    EXPECT_EQ((*pasted)[0].points, arrow.points);
    EXPECT_TRUE((*pasted)[0].filled);
    EXPECT_EQ((*pasted)[1].image.size(), pic.image.size());
    EXPECT_EQ(QColor((*pasted)[1].image.pixel(3, 3)), QColor(Qt::magenta));

    clipboard->setText(QStringLiteral("plain text"));
    EXPECT_FALSE(system.objects().has_value());
    EXPECT_EQ(clipboard->text(), QStringLiteral("plain text"));
}
