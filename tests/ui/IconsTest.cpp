// The drawn icons: present at every size and ratio, in the palette's colour, sharp, and each one
// different from the others; plus a sheet of them for people to judge.
#include "ui/Icons.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <functional>

namespace {

struct Named {
    QString name;
    std::function<QIcon(const QPalette&)> make;
};

QList<Named> allIcons() {
    QList<Named> all;
    for (EditorTool t : allCases<EditorTool>())
        all.append({rawValue(t), [t](const QPalette& p) { return Icons::tool(t, p); }});
    for (Icons::Action a : Icons::allActions())
        all.append({QStringLiteral("action %1").arg(int(a)), [a](const QPalette& p) { return Icons::action(a, p); }});
    return all;
}

QPalette themed(const QColor& window, const QColor& ink) {
    QPalette p = QApplication::palette();
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::Active, QPalette::ButtonText, ink);
    p.setColor(QPalette::Inactive, QPalette::ButtonText, ink);
    QColor faded = ink;
    faded.setAlphaF(0.35f);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, faded);
    return p;
}
const QPalette& light() {
    static const QPalette p = themed(QColor(0xf6, 0xf5, 0xf4), QColor(0x2e, 0x34, 0x36));
    return p;
}
const QPalette& dark() {
    static const QPalette p = themed(QColor(0x30, 0x30, 0x30), QColor(0xee, 0xee, 0xec));
    return p;
}

QImage image(const QIcon& icon, int size, int ratio, QIcon::Mode mode = QIcon::Normal) {
    return icon.pixmap(QSize(size, size), ratio, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

int inkPixels(const QImage& img, int minAlpha = 1) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) >= minAlpha;
    return n;
}

// The colour of the most opaque pixel, unpremultiplied.
QColor strongestInk(const QImage& img) {
    QRgb best = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > qAlpha(best)) best = img.pixel(x, y);
    return QColor::fromRgba(best);
}

TEST(Icons, EveryIconHasInkAtEverySizeAndRatio) {
    for (const Named& n : allIcons()) {
        const QIcon icon = n.make(light());
        for (int size : Icons::kSizes) {
            for (int ratio : {1, 2}) {
                const QPixmap pm = icon.pixmap(QSize(size, size), ratio);
                SCOPED_TRACE(qPrintable(QStringLiteral("%1 at %2@%3x").arg(n.name).arg(size).arg(ratio)));
                // A pixmap of its own for the ratio, not the 1x one scaled up.
                EXPECT_EQ(pm.size(), QSize(size * ratio, size * ratio));
                EXPECT_DOUBLE_EQ(pm.devicePixelRatio(), ratio);
                const QImage img = pm.toImage();
                // Some ink, but an icon, not a filled square.
                const int ink = inkPixels(img, 128);
                EXPECT_GT(ink, size * ratio / 2);
                EXPECT_LT(ink, img.width() * img.height() * 2 / 3);
            }
        }
    }
}

TEST(Icons, NoTwoIconsAlike) {
    const QList<Named> all = allIcons();
    for (int size : Icons::kSizes) {
        for (int ratio : {1, 2}) {
            QList<QImage> images;
            for (const Named& n : all)
                images << image(n.make(light()), size, ratio);
            for (int i = 0; i < images.size(); ++i)
                for (int j = i + 1; j < images.size(); ++j)
                    EXPECT_NE(images[i], images[j]) << qPrintable(all[i].name) << " and " << qPrintable(all[j].name)
                                                    << " at " << size << "@" << ratio << "x";
        }
    }
}

TEST(Icons, DrawnInThePalettesButtonTextAndItsDisabledForm) {
    for (const QPalette* palette : {&light(), &dark()}) {
        for (const Named& n : allIcons()) {
            const QIcon icon = n.make(*palette);
            SCOPED_TRACE(qPrintable(n.name));
            const QColor ink = strongestInk(image(icon, 24, 2));
            const QColor want = palette->color(QPalette::Active, QPalette::ButtonText);
            EXPECT_EQ(ink.rgb(), want.rgb());
            EXPECT_EQ(ink.alpha(), 255);
            // Disabled: the palette's disabled colour, which here is the ink at 35 %.
            const QColor disabled = strongestInk(image(icon, 24, 2, QIcon::Disabled));
            EXPECT_NEAR(disabled.alpha(), 89, 2);
        }
    }
}

TEST(Icons, WithoutAPaletteTheApplicationsIsUsedAtTheTimeOfTheCall) {
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(dark());
    const QColor onDark = strongestInk(image(Icons::tool(EditorTool::rect), 16, 1));
    const QColor actionOnDark = strongestInk(image(Icons::action(Icons::Action::save), 16, 1));
    QApplication::setPalette(light());
    const QColor onLight = strongestInk(image(Icons::tool(EditorTool::rect), 16, 1));
    QApplication::setPalette(saved);
    EXPECT_EQ(onDark.rgb(), dark().color(QPalette::ButtonText).rgb());
    EXPECT_EQ(actionOnDark.rgb(), dark().color(QPalette::ButtonText).rgb());
    EXPECT_EQ(onLight.rgb(), light().color(QPalette::ButtonText).rgb());
}

TEST(Icons, StraightEdgesCoverWholePixels) {
    // Across the middle of an outlined square every pixel is either clear or fully inked: its
    // edges lie on whole device pixels. An edge put between pixels would leave half-inked ones.
    for (Icons::Action a : {Icons::Action::shapeOutlined, Icons::Action::expandCanvas}) {
        const QIcon icon = Icons::action(a, light());
        for (int size : Icons::kSizes) {
            for (int ratio : {1, 2}) {
                const QImage img = image(icon, size, ratio);
                const int mid = img.width() / 2;
                int solid = 0, partial = 0;
                for (int i = 0; i < img.width(); ++i) {
                    for (int alpha : {qAlpha(img.pixel(mid, i)), qAlpha(img.pixel(i, mid))}) {
                        solid += alpha == 255;
                        partial += alpha > 8 && alpha < 247;
                    }
                }
                EXPECT_GE(solid, 4) << int(a) << " at " << size << "@" << ratio << "x";
                EXPECT_EQ(partial, 0) << int(a) << " at " << size << "@" << ratio << "x";
            }
        }
    }
}

TEST(Icons, EveryStampShowsItsOwnGlyphInItsColour) {
    const QColor blue(20, 80, 220);
    QList<QImage> seen;
    for (StampType type : allCases<StampType>()) {
        SCOPED_TRACE(qPrintable(rawValue(type)));
        const QIcon icon = Icons::stamp(type, blue);
        for (int size : Icons::kSizes) {
            for (int ratio : {1, 2}) {
                const QImage img = image(icon, size, ratio);
                ASSERT_EQ(img.size(), QSize(size * ratio, size * ratio));
                EXPECT_GT(inkPixels(img, 128), size * ratio / 2) << size << "@" << ratio;
                // Inside the square: nothing cut off at its edges.
                int edgeInk = 0;
                for (int i = 0; i < img.width(); ++i)
                    edgeInk += qAlpha(img.pixel(i, 0)) > 160 || qAlpha(img.pixel(i, img.height() - 1)) > 160 ||
                               qAlpha(img.pixel(0, i)) > 160 || qAlpha(img.pixel(img.width() - 1, i)) > 160;
                EXPECT_EQ(edgeInk, 0) << size << "@" << ratio;
            }
        }
        const QImage big = image(icon, 24, 2);
        // The first fully opaque pixel from the top is the glyph's (or the badge disc's) colour.
        EXPECT_EQ(strongestInk(big).rgb(), blue.rgb());
        if (type == StampType::numberCircle) {
            // Its number is cut out of the disc: clear at the centre, not painted over.
            EXPECT_LT(qAlpha(big.pixel(big.width() / 2, big.height() / 2)), 40);
        }
        for (int i = 0; i < seen.size(); ++i)
            EXPECT_NE(big, seen[i]) << "looks like " << qPrintable(rawValue(StampType(i)));
        seen << big;
    }
}

TEST(Icons, StampIconsCarryASelectedFormWhenAsked) {
    const QIcon icon = Icons::stamp(StampType::siren, Qt::black, Qt::white);
    EXPECT_EQ(strongestInk(image(icon, 20, 1)).rgb(), QColor(Qt::black).rgb());
    EXPECT_EQ(strongestInk(image(icon, 20, 1, QIcon::Selected)).rgb(), QColor(Qt::white).rgb());
}

// Every icon at every size, on a light and on a dark background, in device pixels.
TEST(Icons, SheetForPeople) {
    const QList<Named> all = allIcons();
    constexpr int kCell = 56, kLabel = 70, kPad = 12;
    const int columns = std::max(caseCount<EditorTool>(), Icons::kActionCount);
    const QList<QPair<int, int>> sizes = {{16, 1}, {20, 1}, {24, 1}, {16, 2}, {20, 2}, {24, 2}};
    const int groups = 2;                          // tools, actions
    const int panelHeight = groups * (sizes.size() * kCell + kPad) + kPad;
    const int stampRows = 4;                       // the stamps at 20@1x and 24@2x, two rows each
    const int stampHeight = stampRows * kCell + kPad;
    QImage sheet(kLabel + columns * kCell + kPad, 2 * (panelHeight + stampHeight), QImage::Format_RGB32);
    QPainter p(&sheet);
    QFont font = QApplication::font();
    font.setPixelSize(11);
    p.setFont(font);
    int top = 0;
    for (const QPalette* palette : {&light(), &dark()}) {
        const QColor ink = palette->color(QPalette::ButtonText);
        p.fillRect(QRect(0, top, sheet.width(), panelHeight + stampHeight), palette->color(QPalette::Window));
        int y = top + kPad;
        for (int group = 0; group < groups; ++group) {
            const int first = group == 0 ? 0 : caseCount<EditorTool>();
            const int count = group == 0 ? caseCount<EditorTool>() : Icons::kActionCount;
            for (const auto& [size, ratio] : sizes) {
                p.setPen(ink);
                p.drawText(QRect(6, y, kLabel - 6, kCell), Qt::AlignVCenter,
                           QStringLiteral("%1 @%2x").arg(size).arg(ratio));
                for (int i = 0; i < count; ++i) {
                    const QIcon icon = all[first + i].make(*palette);
                    const QImage img = image(icon, size, ratio);
                    const int x = kLabel + i * kCell + (kCell - img.width()) / 2;
                    p.drawImage(QPoint(x, y + (kCell - img.height()) / 2), img);
                }
                y += kCell;
            }
            y += kPad;
        }
        y = top + panelHeight;
        for (const auto& [size, ratio] : {QPair<int, int>{20, 1}, QPair<int, int>{24, 2}}) {
            for (int half = 0; half < 2; ++half) {
                p.setPen(ink);
                p.drawText(QRect(6, y, kLabel - 6, kCell), Qt::AlignVCenter,
                           QStringLiteral("%1 @%2x").arg(size).arg(ratio));
                for (int i = 0; i < 31; ++i) {
                    const QImage img = image(Icons::stamp(StampType(half * 31 + i), ink), size, ratio);
                    const int x = kLabel + i * (kCell * columns / 31) + (kCell * columns / 31 - img.width()) / 2;
                    p.drawImage(QPoint(x, y + (kCell - img.height()) / 2), img);
                }
                y += kCell;
            }
        }
        top += panelHeight + stampHeight;
    }
    p.end();
    EXPECT_TRUE(sheet.save(TestSupport::outputPath(QStringLiteral("icon-sheet.png"))));
}

} // namespace
