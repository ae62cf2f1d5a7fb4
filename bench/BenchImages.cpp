#include "BenchImages.h"

#include "graphics/DrawingSurface.h"

#include <QPainter>
#include <QRandomGenerator>

namespace BenchImages {

namespace {

QImage screenshotLike(int w, int h, int seed, int boxes) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(236, 236, 236));
    QPainter p(&img);
    QRandomGenerator rng(seed);
    for (int i = 0; i < boxes; ++i)
        p.fillRect(QRect(rng.bounded(w), rng.bounded(h), 40 + rng.bounded(w / 8), 20 + rng.bounded(h / 10)),
                   QColor::fromRgb(rng.generate() | 0xFF000000u));
    p.setPen(Qt::black);
    p.setFont(DrawingSurface::systemFont(14, DrawingSurface::FontWeight::regular));
    for (int y = 20; y < h; y += 22)
        p.drawText(QPointF(40 + (y % 300), y),
                   QStringLiteral("Access reader AR-12 wired to controller 3, panel B"));
    p.end();
    DrawingSurface::normalizeMetadata(img);
    return img;
}

} // namespace

QImage screenshot5K(int seed) {
    return screenshotLike(kWidth, kHeight, seed, 400);
}

QList<Annotation> mixedAnnotations(int pictures, QSize pictureSize) {
    QRandomGenerator rng(11);
    QList<Annotation> list;
    auto at = [&] { return QPointF(100 + rng.bounded(kWidth - 600), 100 + rng.bounded(kHeight - 600)); };
    for (int i = 0; i < 200; ++i) {
        Annotation a;
        a.color = QColor::fromRgb(rng.generate() | 0xFF000000u);
        a.width = 3 + rng.bounded(6);
        const QPointF o = at();
        if (i < 60) {
            a.tool = EditorTool::stamp;
            a.stamp = StampType(1 + i % (caseCount<StampType>() - 1));
            a.showName = i % 3 == 0;
            a.points = {o};
        } else if (i < 65) {
            a.tool = EditorTool::blur;
            a.points = {o, o + QPointF(300 + rng.bounded(300), 150 + rng.bounded(200))};
        } else if (i < 65 + pictures) {
            a.tool = EditorTool::image;
            a.image = screenshotLike(pictureSize.width(), pictureSize.height(), i, 30);
            a.imageFrame = QRectF(o, QSizeF(400, 300));
            a.points = {a.imageFrame.topLeft(), a.imageFrame.topRight(), a.imageFrame.bottomRight(),
                        a.imageFrame.bottomLeft()};
        } else {
            const EditorTool tools[] = {EditorTool::pen,  EditorTool::highlighter, EditorTool::arrow,
                                        EditorTool::line, EditorTool::rect,        EditorTool::ellipse,
                                        EditorTool::dot,  EditorTool::text,        EditorTool::polygon};
            a.tool = tools[i % std::size(tools)];
            const int n = a.tool == EditorTool::pen || a.tool == EditorTool::highlighter ? 40 : 3;
            a.points = {o};
            for (int k = 1; k < n; ++k)
                a.points.append(a.points.last() + QPointF(rng.bounded(40.0) - 10, rng.bounded(40.0) - 10));
            a.filled = i % 4 == 0;
            a.text = a.tool == EditorTool::dot
                         ? QString::number(i)
                         : QStringLiteral("Cable to rack %1\nport %2").arg(i).arg(i * 3);
            a.rotation = i % 5 == 0 ? 0.2 : 0.0;
        }
        list.append(a);
    }
    return list;
}

} // namespace BenchImages
