// The toolbar's popovers driven as a user would: clicks, keys, and the window losing activation.
#include "ui/editor/CanvasPopover.h"
#include "ui/editor/ColorPopover.h"
#include "ui/editor/Popover.h"
#include "ui/editor/RotatePopover.h"

#include "editor/EditorModel.h"
#include "model/Palette.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

// A picture whose corners differ, so every turn and shift of it shows.
QImage corners() {
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(119, 0, qRgb(0, 255, 0));
    image.setPixel(0, 79, qRgb(0, 0, 255));
    return image;
}

// The window a toolbar button lives in, with the button the popovers open below.
struct Host {
    QWidget window;
    QPushButton* anchor;
    std::unique_ptr<EditorModel> model;

    Host() {
        // Recent colours persist in the settings; each test starts without any.
        QSettings().remove(QString::fromLatin1(EditorModel::kRecentColorsKey));
        model = std::make_unique<EditorModel>(corners());
        auto* layout = new QHBoxLayout(&window);
        anchor = new QPushButton(QStringLiteral("Open"));
        layout->addWidget(anchor);
        layout->addStretch(1);
        window.resize(480, 200);
        window.move(100, 100);
        window.show();
        activate(&window);
    }
    static void activate(QWidget* w) {
        w->activateWindow();
        // Activation arrives through the event loop; a tool window counts as active with its
        // parent for qWaitForWindowActive, so wait for the application's own answer.
        ASSERT_TRUE(QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }));
    }
    void open(Popover& popover) {
        popover.openBelow(anchor);
        ASSERT_TRUE(QTest::qWaitFor([&popover] { return QApplication::activeWindow() == &popover; }));
    }
};

void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

ColorSwatch* swatchNamed(SwatchGrid* grid, const QString& name) {
    if (!grid) return nullptr;
    for (ColorSwatch* swatch : grid->swatches())
        if (swatch->accessibleName() == name) return swatch;
    return nullptr;
}

// Every control of a popover, as the accessibility bus lists them: what takes the focus.
QList<QWidget*> controls(QWidget* popover) {
    QList<QWidget*> found;
    for (QWidget* w : popover->findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus && !w->isHidden()) found.append(w);
    return found;
}

} // namespace

TEST(PopoverPlacement, BelowTheAnchorCentredFlippedAndKeptOnTheScreen) {
    const QRect screen(0, 0, 1000, 800);
    // Centred below, with a small gap.
    EXPECT_EQ(Popover::placement(QRect(400, 10, 40, 30), QSize(200, 100), screen), QPoint(320, 44));
    EXPECT_EQ(Popover::placement(QRect(400, 10, 40, 30), QSize(200, 100), screen, true), QPoint(400, 44));
    EXPECT_EQ(Popover::placement(QRect(950, 10, 40, 30), QSize(200, 100), screen, true).x(), 800);
    // No room below: above the anchor.
    EXPECT_EQ(Popover::placement(QRect(400, 740, 40, 30), QSize(200, 100), screen), QPoint(320, 636));
    // At the screen's edges it moves inside.
    EXPECT_EQ(Popover::placement(QRect(980, 10, 20, 30), QSize(200, 100), screen), QPoint(800, 44));
    EXPECT_EQ(Popover::placement(QRect(0, 10, 20, 30), QSize(200, 100), screen), QPoint(0, 44));
    // A second screen to the right keeps it on that screen.
    EXPECT_EQ(Popover::placement(QRect(1000, 10, 20, 30), QSize(200, 100), QRect(1000, 0, 800, 600)),
              QPoint(1000, 44));
    // Taller than the room above and below: at the top of the screen.
    EXPECT_EQ(Popover::placement(QRect(400, 300, 40, 30), QSize(200, 900), screen).y(), 0);
}

TEST(Popover, OpensBelowItsAnchorWithTheFocusAndClosesOnEscapeOrLosingActivation) {
    Host host;
    CanvasPopover popover(*host.model, &host.window);
    EXPECT_TRUE(popover.windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE((popover.windowFlags() & Qt::WindowType_Mask) == Qt::Popup);
    host.open(popover);
    const QPoint anchorBottom = host.anchor->mapToGlobal(QPoint(0, host.anchor->height()));
    EXPECT_GT(popover.geometry().top(), anchorBottom.y());
    EXPECT_EQ(QApplication::focusWidget(), popover.field(CanvasPopover::top));
    // What the field holds is selected: typing replaces it.
    popover.field(CanvasPopover::top)->setText(QStringLiteral("12"));
    popover.close();
    host.open(popover);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("30"));
    EXPECT_EQ(popover.field(CanvasPopover::top)->text(), QStringLiteral("30"));

    // Escape with the focus in a field.
    QTest::keyClick(popover.field(CanvasPopover::top), Qt::Key_Escape);
    EXPECT_FALSE(popover.isVisible());

    host.open(popover);
    Host::activate(&host.window);
    EXPECT_FALSE(popover.isVisible());
}

TEST(Popover, ClickOnTheAnchorThatDismissedItDoesNotReopenIt) {
    Host host;
    RotatePopover popover(*host.model, &host.window);
    popover.toggleBelow(host.anchor);
    ASSERT_TRUE(QTest::qWaitFor([&popover] { return QApplication::activeWindow() == &popover; }));
    // The press on the anchor activates the window first, then the click toggles.
    Host::activate(&host.window);
    ASSERT_FALSE(popover.isVisible());
    popover.toggleBelow(host.anchor);
    EXPECT_FALSE(popover.isVisible());
    // The next click opens it again, and one more closes it.
    popover.toggleBelow(host.anchor);
    EXPECT_TRUE(popover.isVisible());
    popover.toggleBelow(host.anchor);
    EXPECT_FALSE(popover.isVisible());
}

TEST(Popover, EveryControlHasANameAHelpTextAndIsReachedWithTab) {
    Host host;
    host.model->noteColorUsed(QColor(0x12, 0x34, 0x56));
    ColorPopover color(*host.model, &host.window);
    RotatePopover rotate(*host.model, &host.window);
    CanvasPopover canvas(*host.model, &host.window);
    for (Popover* popover : std::initializer_list<Popover*>{&color, &rotate, &canvas}) {
        SCOPED_TRACE(popover->accessibleName().toStdString());
        host.open(*popover);
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(popover);
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->text(QAccessible::Name).isEmpty());

        const QList<QWidget*> all = controls(popover);
        EXPECT_GE(all.size(), 4);
        for (QWidget* w : all) {
            QAccessibleInterface* item = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(item, nullptr);
            EXPECT_FALSE(item->text(QAccessible::Name).isEmpty()) << w->metaObject()->className();
            EXPECT_FALSE(w->toolTip().isEmpty()) << item->text(QAccessible::Name).toStdString();
        }

        // Tab visits every control; in a group of exclusive choices only the chosen one, and
        // the arrow keys move to the others.
        QSet<QWidget*> reached;
        for (int i = 0; i < 2 * all.size() && QApplication::focusWidget(); ++i) {
            QWidget* focused = QApplication::focusWidget();
            reached.insert(focused);
            if (auto* b = qobject_cast<QAbstractButton*>(focused); b && b->group())
                for (QAbstractButton* other : b->group()->buttons())
                    if (other != b) {
                        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
                        reached.insert(QApplication::focusWidget());
                    }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (QWidget* w : all)
            EXPECT_TRUE(reached.contains(w)) << w->accessibleName().toStdString();
        popover->close();
    }
    EXPECT_EQ(color.accessibleName(), QStringLiteral("Color"));
    EXPECT_EQ(rotate.accessibleName(), QStringLiteral("Rotate Image"));
    EXPECT_EQ(canvas.accessibleName(), QStringLiteral("Expand Canvas"));
}

TEST(ColorPopover, ASwatchSetsTheColourRecordsItAndCloses) {
    Host host;
    ColorPopover popover(*host.model, &host.window);
    host.open(popover);
    ASSERT_EQ(popover.paletteGrid()->swatches().size(), 14);
    EXPECT_EQ(popover.paletteGrid()->swatches()[10]->accessibleName(), QStringLiteral("blue"));

    QTest::mouseClick(swatchNamed(popover.paletteGrid(), QStringLiteral("blue")), Qt::LeftButton);
    EXPECT_EQ(pictavoHex(host.model->color()), QStringLiteral("007AFF"));
    ASSERT_EQ(host.model->recentColors().size(), 1);
    EXPECT_EQ(pictavoHex(host.model->recentColors()[0]), QStringLiteral("007AFF"));
    EXPECT_FALSE(popover.isVisible());

    // With the keyboard: the focus starts on the current colour, arrows move, Return chooses.
    host.open(popover);
    ColorSwatch* blue = swatchNamed(popover.paletteGrid(), QStringLiteral("blue"));
    EXPECT_EQ(QApplication::focusWidget(), blue);
    QTest::keyClick(blue, Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(pictavoHex(host.model->color()), QStringLiteral("5856D6")); // indigo
    EXPECT_FALSE(popover.isVisible());
    ASSERT_EQ(host.model->recentColors().size(), 2);

    // A recent swatch is chosen the same way.
    host.open(popover);
    QTest::mouseClick(swatchNamed(popover.recentGrid(), QStringLiteral("007AFF")), Qt::LeftButton);
    EXPECT_EQ(pictavoHex(host.model->color()), QStringLiteral("007AFF"));
    EXPECT_EQ(pictavoHex(host.model->recentColors()[0]), QStringLiteral("007AFF"));
    EXPECT_FALSE(popover.isVisible());
}

TEST(ColorPopover, RecentAppearsOnlyWithRecentColoursAndTheCurrentOneIsMarked) {
    Host host;
    ColorPopover popover(*host.model, &host.window);
    host.open(popover);
    auto recentCaption = [&popover]() -> QLabel* {
        for (QLabel* label : popover.findChildren<QLabel*>())
            if (label->text() == QStringLiteral("Recent")) return label;
        return nullptr;
    };
    ASSERT_NE(recentCaption(), nullptr);
    EXPECT_FALSE(recentCaption()->isVisible());
    EXPECT_EQ(popover.recentGrid(), nullptr);
    EXPECT_EQ(popover.findChildren<ColorSwatch*>().size(), 14);
    const int heightWithout = popover.height();

    host.model->noteColorUsed(QColor(0x12, 0x34, 0x56));
    host.model->noteColorUsed(Palette::standardRed());
    ASSERT_NE(popover.recentGrid(), nullptr);
    EXPECT_TRUE(popover.recentGrid()->isVisible());
    EXPECT_TRUE(recentCaption()->isVisible());
    ASSERT_EQ(popover.recentGrid()->swatches().size(), 2);
    EXPECT_EQ(popover.recentGrid()->swatches()[0]->accessibleName(), QStringLiteral("FF3B30"));
    EXPECT_EQ(popover.recentGrid()->swatches()[1]->accessibleName(), QStringLiteral("123456"));
    EXPECT_GT(popover.height(), heightWithout);

    // The model's colour is red: its palette and recent swatches carry the ring, nothing else.
    for (SwatchGrid* grid : {popover.paletteGrid(), popover.recentGrid()})
        for (ColorSwatch* swatch : grid->swatches())
            EXPECT_EQ(swatch->isCurrent(), pictavoHex(swatch->color()) == QStringLiteral("FF3B30"))
                << swatch->accessibleName().toStdString();
    host.model->setColor(QColor(0x12, 0x34, 0x56));
    EXPECT_TRUE(popover.recentGrid()->swatches()[1]->isCurrent());
    EXPECT_FALSE(swatchNamed(popover.paletteGrid(), QStringLiteral("red"))->isCurrent());
}

TEST(ColorPopover, MoreColorsOpensTheDialogOnTheWindowAndAppliesLive) {
    Host host;
    ColorPopover popover(*host.model, &host.window);
    host.open(popover);
    QTest::mouseClick(popover.moreColorsButton(), Qt::LeftButton);
    EXPECT_FALSE(popover.isVisible());
    QColorDialog* dialog = popover.colorDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &host.window);
    EXPECT_TRUE(dialog->isVisible());

    dialog->setCurrentColor(QColor(0x20, 0x40, 0x60));
    EXPECT_EQ(pictavoHex(host.model->color()), QStringLiteral("204060"));
    dialog->reject();
    EXPECT_EQ(pictavoHex(host.model->color()), QStringLiteral("FF3B30"));
    EXPECT_TRUE(host.model->recentColors().isEmpty());

    QTest::mouseClick(popover.moreColorsButton(), Qt::LeftButton);
    ASSERT_NE(popover.colorDialog(), nullptr);
    popover.colorDialog()->setCurrentColor(QColor(0x20, 0x40, 0x60));
    popover.colorDialog()->accept();
    EXPECT_EQ(pictavoHex(host.model->color()), QStringLiteral("204060"));
    ASSERT_EQ(host.model->recentColors().size(), 1);
    EXPECT_EQ(pictavoHex(host.model->recentColors()[0]), QStringLiteral("204060"));
}

TEST(RotatePopover, TheTurnButtonsRotateTheWholeImage) {
    Host host;
    RotatePopover popover(*host.model, &host.window);
    const struct {
        QPushButton* button;
        double degrees;
    } cases[] = {{popover.leftButton(), -90}, {popover.rightButton(), 90}, {popover.halfTurnButton(), 180}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        EditorModel expected(host.model->baseImage());
        ASSERT_TRUE(expected.rotateCanvas(c.degrees));
        host.open(popover);
        QTest::mouseClick(c.button, Qt::LeftButton);
        EXPECT_EQ(host.model->baseImage(), expected.baseImage());
    }
    EXPECT_EQ(host.model->undoStack().size(), 3);
}

TEST(RotatePopover, ApplyStraightensByTheAngleResetsItAndCloses) {
    Host host;
    RotatePopover popover(*host.model, &host.window);
    EditorModel expected(host.model->baseImage());
    ASSERT_TRUE(expected.rotateCanvas(12.5));

    host.open(popover);
    typeInto(popover.degreesField(), QStringLiteral("12.5"));
    EXPECT_EQ(popover.straightenDegrees(), 12.5);
    EXPECT_EQ(popover.slider()->value(), 125);
    // Return in the field is the default action.
    QTest::keyClick(popover.degreesField(), Qt::Key_Return);
    EXPECT_EQ(host.model->baseImage(), expected.baseImage());
    EXPECT_EQ(host.model->undoStack().size(), 1);
    EXPECT_FALSE(popover.isVisible());
    EXPECT_EQ(popover.straightenDegrees(), 0);
    EXPECT_EQ(popover.slider()->value(), 0);
    EXPECT_TRUE(popover.degreesField()->text().isEmpty());

    // The slider drives the same value; beyond 45 degrees the field is held at 45.
    host.open(popover);
    popover.slider()->setValue(-300);
    EXPECT_EQ(popover.straightenDegrees(), -30);
    EXPECT_EQ(popover.degreesField()->text(), QStringLiteral("-30"));
    typeInto(popover.degreesField(), QStringLiteral("60"));
    EXPECT_EQ(popover.straightenDegrees(), 45);
    EXPECT_EQ(popover.slider()->value(), 450);
    QTest::keyClick(popover.degreesField(), Qt::Key_Tab);
    EXPECT_EQ(popover.degreesField()->text(), QStringLiteral("45"));
    popover.close();
}

TEST(RotatePopover, ApplyWithZeroDegreesChangesNothing) {
    Host host;
    RotatePopover popover(*host.model, &host.window);
    host.open(popover);
    const QImage before = host.model->baseImage();
    QTest::mouseClick(popover.applyButton(), Qt::LeftButton);
    EXPECT_FALSE(popover.isVisible());
    EXPECT_EQ(host.model->baseImage(), before);
    EXPECT_TRUE(host.model->undoStack().isEmpty());
}

TEST(CanvasPopover, ExpandAddsTheFourAmountsWithTheFillAndCloses) {
    Host host;
    CanvasPopover popover(*host.model, &host.window);
    const struct {
        CanvasBackground fill;
        std::optional<QColor> color;
    } cases[] = {{CanvasBackground::white, Palette::white()},
                 {CanvasBackground::black, Palette::black()},
                 {CanvasBackground::transparent, std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(rawValue(c.fill).toStdString());
        EditorModel expected(host.model->baseImage());
        ASSERT_TRUE(expected.expandCanvas(10, 5, 20, 3, c.color));
        host.open(popover);
        typeInto(popover.field(CanvasPopover::top), QStringLiteral("10"));
        typeInto(popover.field(CanvasPopover::bottom), QStringLiteral("20"));
        typeInto(popover.field(CanvasPopover::left), QStringLiteral("5"));
        typeInto(popover.field(CanvasPopover::right), QStringLiteral("3"));
        QTest::mouseClick(popover.fillButtons()->button(int(c.fill)), Qt::LeftButton);
        EXPECT_EQ(popover.fill(), c.fill);
        QTest::mouseClick(popover.expandButton(), Qt::LeftButton);
        EXPECT_FALSE(popover.isVisible());
        EXPECT_EQ(host.model->baseImage(), expected.baseImage());
    }

    // Empty fields count as nothing; Return presses Expand.
    EditorModel expected(host.model->baseImage());
    ASSERT_TRUE(expected.expandCanvas(0, 0, 7, 0, std::nullopt));
    host.open(popover);
    for (auto side : {CanvasPopover::top, CanvasPopover::left, CanvasPopover::right})
        popover.field(side)->clear();
    typeInto(popover.field(CanvasPopover::bottom), QStringLiteral("7"));
    QTest::keyClick(popover.field(CanvasPopover::bottom), Qt::Key_Return);
    EXPECT_FALSE(popover.isVisible());
    EXPECT_EQ(host.model->baseImage(), expected.baseImage());
}

// Pictures of each popover open, for people to look at.
TEST(PopoverScreenshots, EachPopoverOpen) {
    Host host;
    host.model->noteColorUsed(QColor(0x12, 0x34, 0x56));
    host.model->noteColorUsed(QColor(0xE0, 0x60, 0x20));
    host.model->setColor(Palette::named("blue"));
    ColorPopover color(*host.model, &host.window);
    RotatePopover rotate(*host.model, &host.window);
    CanvasPopover canvas(*host.model, &host.window);
    rotate.setStraightenDegrees(-2.5);
    canvas.field(CanvasPopover::top)->setText(QStringLiteral("40"));
    canvas.field(CanvasPopover::bottom)->setText(QStringLiteral("40"));
    const struct {
        Popover* popover;
        const char* file;
    } shots[] = {{&color, "popover-color.png"}, {&rotate, "popover-rotate.png"}, {&canvas, "popover-canvas.png"}};
    // And on a dark theme, where the drawn arrows and rings must stay legible.
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2E));
    dark.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x20));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3E));
    dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Mid, QColor(0x55, 0x55, 0x5A));
    dark.setColor(QPalette::PlaceholderText, QColor(0xEE, 0xEE, 0xEE, 128));
    dark.setColor(QPalette::Highlight, QColor(0x3D, 0x8B, 0xFF));
    for (bool darkTheme : {false, true})
        for (const auto& shot : shots) {
            if (darkTheme) shot.popover->setPalette(dark);
            host.open(*shot.popover);
            const QImage picture = shot.popover->grab().toImage();
            EXPECT_FALSE(picture.isNull());
            QString name = QString::fromLatin1(shot.file);
            if (darkTheme) name.replace(QStringLiteral(".png"), QStringLiteral("-dark.png"));
            EXPECT_TRUE(picture.save(TestSupport::outputPath(name)));
            shot.popover->close();
        }
}
