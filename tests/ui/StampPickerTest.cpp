// The stamp picker: its sections, the keyboard, what it publishes to assistive technology, and
// where it opens.
#include "ui/editor/StampPicker.h"

#include "editor/EditorModel.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>
#include <QWindow>

namespace {

QImage canvasImage() {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

class StampPickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().remove(QString::fromLatin1(StampPicker::kRecentStampsKey));
        anchorWindow.resize(400, 300);
        anchorWindow.move(100, 80);
        anchor = new QPushButton(QStringLiteral("Icon"), &anchorWindow);
        anchor->setGeometry(20, 20, 80, 28);
        anchorWindow.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&anchorWindow));
    }

    void open() {
        picker.popup(anchor);
        // Not qWaitForWindowActive: a tool window counts as active as soon as its parent is.
        ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == picker.windowHandle(); }));
    }
    void key(Qt::Key k) { QTest::keyClick(picker.list(), k); }
    QListWidgetItem* current() const { return picker.list()->currentItem(); }
    // The stamps the list shows, in order (headings have no text).
    QList<StampType> shown() const {
        QList<StampType> out;
        for (int row = 0; row < picker.list()->count(); ++row) {
            const QListWidgetItem* item = picker.list()->item(row);
            if (!item->isHidden() && !item->text().isEmpty())
                out.append(StampType(item->data(Qt::UserRole + 2).toInt()));
        }
        return out;
    }
    // Types `text` into the search field, also letters keyClicks cannot send (it sends Latin-1 only).
    void type(const QString& text) {
        picker.searchField()->clear();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, picker.searchField(), Qt::Key(c.toUpper().unicode()),
                                QString(c), Qt::NoModifier);
    }

    EditorModel model{canvasImage()};
    QWidget anchorWindow;
    QPushButton* anchor = nullptr;
    StampPicker picker{&model};
};

TEST_F(StampPickerTest, ListsEveryStampUnderItsCategoryHeadingInOrder) {
    QListWidget* list = picker.list();
    QStringList headings;
    QList<StampType> entries;
    StampCategory section{};
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        if (item->text().isEmpty()) {
            // A heading: not choosable.
            EXPECT_FALSE(item->flags() & Qt::ItemIsSelectable);
            headings << item->data(Qt::AccessibleTextRole).toString();
            section = StampCategory(headings.size() - 1);
            continue;
        }
        ASSERT_FALSE(headings.isEmpty()) << "an entry before the first heading";
        const StampType type = allCases<StampType>()[entries.size()];
        EXPECT_EQ(item->text(), StampTypes::title(type));
        EXPECT_EQ(StampTypes::category(type), section) << qPrintable(item->text());
        EXPECT_FALSE(item->icon().isNull());
        EXPECT_EQ(picker.rowOf(type), row);
        entries << type;
    }
    EXPECT_EQ(entries.size(), 62);
    QStringList expected;
    for (StampCategory c : allCases<StampCategory>())
        expected << StampCategories::title(c);
    EXPECT_EQ(headings, expected);
}

TEST_F(StampPickerTest, EntryIconsAreTheStampsOwnGlyphs) {
    // No generic picture: the icons of the stamps differ from one another.
    QListWidget* list = picker.list();
    QList<QImage> seen;
    for (StampType type : allCases<StampType>()) {
        const QImage img = list->item(picker.rowOf(type))->icon().pixmap(QSize(20, 20), 1.0).toImage();
        ASSERT_FALSE(img.isNull());
        for (const QImage& other : seen)
            EXPECT_NE(img, other) << qPrintable(rawValue(type));
        seen << img;
    }
}

TEST_F(StampPickerTest, PublishesNamesAndHelpToAssistiveTechnology) {
    QListWidget* list = picker.list();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Icon"));
    EXPECT_EQ(list->toolTip(), QStringLiteral("Which icon the stamp tool places"));
    EXPECT_EQ(picker.toolTip(), QStringLiteral("Which icon the stamp tool places"));
    QStringList names;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child && child->role() == QAccessible::ListItem) names << child->text(QAccessible::Name);
    }
    ASSERT_EQ(names.size(), 62 + 7);
    for (const QString& name : names)
        EXPECT_FALSE(name.isEmpty());
    for (StampType type : allCases<StampType>())
        EXPECT_EQ(names.value(picker.rowOf(type)), StampTypes::title(type));
}

TEST_F(StampPickerTest, OpensBelowItsAnchorOnTheCurrentStampWithTheFocus) {
    model.setStampType(StampType::cameraDome);
    open();
    EXPECT_TRUE(picker.isVisible());
    EXPECT_TRUE(picker.isWindow());
    EXPECT_TRUE(picker.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(picker.windowType(), Qt::Tool);
    // A list dropping down from its button: at the button's left edge, just below it.
    const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    EXPECT_EQ(picker.geometry().left(), anchorRect.left());
    EXPECT_EQ(picker.geometry().top(), anchorRect.bottom() + 1 + 4);
    EXPECT_TRUE(picker.searchField()->hasFocus());
    EXPECT_EQ(current(), picker.list()->item(picker.rowOf(StampType::cameraDome)));
}

TEST_F(StampPickerTest, OpensAboveAnAnchorNearTheBottomOfTheScreen) {
    const QRect available = anchorWindow.screen()->availableGeometry();
    anchorWindow.move(available.left() + 10, available.bottom() - anchorWindow.height() - 10);
    QTest::qWait(20);
    open();
    EXPECT_LT(picker.geometry().bottom(), anchor->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_TRUE(available.contains(picker.geometry()));
}

TEST_F(StampPickerTest, ArrowKeysStepOverHeadingsAndReturnChooses) {
    QSignalSpy chosen(&picker, &StampPicker::stampChosen);
    model.setStampType(StampType::circleSlash); // the last of the first section
    open();
    key(Qt::Key_Down);
    EXPECT_EQ(current()->text(), StampTypes::title(StampType::doorContact));
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(current()->text(), StampTypes::title(StampType::checkCircle));
    key(Qt::Key_Home);
    EXPECT_EQ(current()->text(), StampTypes::title(StampType::numberCircle));
    key(Qt::Key_Up); // nothing above the first stamp
    EXPECT_EQ(current()->text(), StampTypes::title(StampType::numberCircle));
    key(Qt::Key_End);
    EXPECT_EQ(current()->text(), StampTypes::title(StampType::terminal));
    key(Qt::Key_Up);
    key(Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].value<StampType>(), StampType::battery);
    EXPECT_EQ(model.stampType(), StampType::battery);
    EXPECT_FALSE(picker.isVisible());
}

TEST_F(StampPickerTest, EscapeClosesWithoutChoosing) {
    QSignalSpy chosen(&picker, &StampPicker::stampChosen);
    QSignalSpy closed(&picker, &StampPicker::closed);
    open();
    key(Qt::Key_Down);
    key(Qt::Key_Escape);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(chosen.size(), 0);
    EXPECT_EQ(closed.size(), 1);
    EXPECT_EQ(model.stampType(), StampType::numberCircle);
}

TEST_F(StampPickerTest, TypingSearchesTitlesAndTheWordsPeopleUse) {
    QSignalSpy chosen(&picker, &StampPicker::stampChosen);
    open();
    QTest::keyClicks(picker.searchField(), QStringLiteral("card reader"));
    EXPECT_EQ(shown(), QList<StampType>{StampType::accessReader});
    EXPECT_EQ(current()->text(), StampTypes::title(StampType::accessReader));
    picker.searchField()->clear();
    QTest::keyClicks(picker.searchField(), QStringLiteral("CAMERA"));
    EXPECT_EQ(shown(),
              (QList<StampType>{StampType::cameraBox, StampType::camera360, StampType::cameraDome,
                                StampType::cameraPTZ, StampType::cameraBullet, StampType::cameraThermal}));
    // Arrows from the search field move in the list; typing into the list searches on.
    QTest::keyClick(picker.searchField(), Qt::Key_Down);
    EXPECT_EQ(current()->text(), StampTypes::title(StampType::camera360));
    QTest::keyClicks(picker.list(), QStringLiteral(" ther"));
    EXPECT_EQ(picker.searchField()->text(), QStringLiteral("CAMERA ther"));
    EXPECT_EQ(shown(), QList<StampType>{StampType::cameraThermal});
    picker.searchField()->clear();
    QTest::keyClicks(picker.searchField(), QStringLiteral("smoke"));
    EXPECT_EQ(shown(), QList<StampType>{StampType::smokeDetector});
    // No match: Return places nothing and the picker stays.
    picker.searchField()->clear();
    QTest::keyClicks(picker.searchField(), QStringLiteral("zzz"));
    EXPECT_TRUE(shown().isEmpty());
    QTest::keyClick(picker.searchField(), Qt::Key_Return);
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_TRUE(picker.isVisible());
    // Return places the one found.
    picker.searchField()->clear();
    QTest::keyClicks(picker.searchField(), QStringLiteral("pir"));
    QTest::keyClick(picker.searchField(), Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(model.stampType(), StampType::motionDetector);
}

// Translates one stamp title, as a Russian translation would.
class OneTitleTranslator final : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (qstrcmp(context, "Stamps") == 0 && qstrcmp(source, "Door Contact") == 0)
            return QStringLiteral("Дверной контакт");
        return {};
    }
    bool isEmpty() const override { return false; }
};

TEST_F(StampPickerTest, TypingFindsAStampByItsTranslatedTitleAndStillByItsEnglishWords) {
    OneTitleTranslator russian;
    QCoreApplication::installTranslator(&russian);
    const auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&russian); });
    open(); // each opening fills the list in the language installed now
    const QListWidgetItem* entry = picker.list()->item(picker.rowOf(StampType::doorContact));
    EXPECT_EQ(entry->text(), QStringLiteral("Дверной контакт"));
    EXPECT_EQ(entry->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Дверной контакт"));

    // Either word of the translation, in any case.
    type(QStringLiteral("ДВЕР"));
    EXPECT_EQ(shown(), QList<StampType>{StampType::doorContact});
    type(QStringLiteral("конт"));
    EXPECT_EQ(shown(), QList<StampType>{StampType::doorContact});
    // A word in the same script that the stamp's words do not begin with finds nothing.
    type(QStringLiteral("дым"));
    EXPECT_TRUE(shown().isEmpty());
    // The English title and the English words people use still find it.
    type(QStringLiteral("door contact"));
    EXPECT_EQ(shown(), QList<StampType>{StampType::doorContact});
    type(QStringLiteral("reed"));
    EXPECT_EQ(shown(), QList<StampType>{StampType::doorContact});
    // And the one found is the one Return places.
    type(QStringLiteral("дверной"));
    QTest::keyClick(picker.searchField(), Qt::Key_Return);
    EXPECT_EQ(model.stampType(), StampType::doorContact);
}

TEST_F(StampPickerTest, TheLastUsedStampsComeFirstAndEscapeInTheSearchCloses) {
    for (StampType type : {StampType::siren, StampType::cameraDome}) {
        open();
        QTest::keyClicks(picker.searchField(), StampTypes::title(type));
        QTest::keyClick(picker.searchField(), Qt::Key_Return);
        ASSERT_EQ(model.stampType(), type);
    }
    open();
    QListWidget* list = picker.list();
    EXPECT_EQ(list->item(0)->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Recent"));
    EXPECT_EQ(list->item(1)->text(), StampTypes::title(StampType::cameraDome)); // newest first
    EXPECT_EQ(list->item(2)->text(), StampTypes::title(StampType::siren));
    // Each stamp stays in its own section too, and a search lists it once.
    EXPECT_GT(picker.rowOf(StampType::siren), 2);
    QTest::keyClicks(picker.searchField(), QStringLiteral("siren"));
    int sirens = 0;
    for (int row = 0; row < list->count(); ++row)
        sirens +=
            !list->item(row)->isHidden() && list->item(row)->text() == StampTypes::title(StampType::siren);
    EXPECT_EQ(sirens, 1);
    QTest::keyClick(picker.searchField(), Qt::Key_Escape);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(model.stampType(), StampType::cameraDome);
}

TEST_F(StampPickerTest, AClickChoosesAndAClickOnAHeadingDoesNot) {
    QSignalSpy chosen(&picker, &StampPicker::stampChosen);
    open();
    QListWidget* list = picker.list();
    const int headingRow = picker.rowOf(StampType::doorContact) - 1;
    list->scrollToItem(list->item(headingRow));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(headingRow)).center());
    EXPECT_EQ(chosen.size(), 0);
    EXPECT_TRUE(picker.isVisible());
    QListWidgetItem* siren = list->item(picker.rowOf(StampType::siren));
    list->scrollToItem(siren);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(siren).center());
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].value<StampType>(), StampType::siren);
    EXPECT_EQ(model.stampType(), StampType::siren);
    EXPECT_FALSE(picker.isVisible());
}

TEST_F(StampPickerTest, ClosesWhenAnotherWindowIsActivated) {
    open();
    anchorWindow.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picker.isVisible(); }));
    EXPECT_EQ(QGuiApplication::focusWindow(), anchorWindow.windowHandle());
}

TEST_F(StampPickerTest, WorksWithoutAModel) {
    StampPicker bare;
    QSignalSpy chosen(&bare, &StampPicker::stampChosen);
    bare.popup(anchor);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == bare.windowHandle(); }));
    QTest::keyClick(bare.list(), Qt::Key_Down);
    QTest::keyClick(bare.list(), Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].value<StampType>(), StampType::checkMark);
}

TEST_F(StampPickerTest, PictureForPeople) {
    model.setStampType(StampType::accessReader);
    open();
    QTest::qWait(20);
    EXPECT_TRUE(picker.grab().save(TestSupport::outputPath(QStringLiteral("stamp-picker.png"))));
}

} // namespace

// A screen reader's Toggle on an entry is a choice, as a click is.
TEST_F(StampPickerTest, AnEntrySelectedOverTheAccessibilityBusIsChosen) {
    QSignalSpy chosen(&picker, &StampPicker::stampChosen);
    open();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(picker.list());
    ASSERT_NE(iface, nullptr);
    QAccessibleInterface* entry = nullptr;
    for (int i = 0; i < iface->childCount(); ++i)
        if (iface->child(i)->text(QAccessible::Name) == StampTypes::title(StampType::doorContact))
            entry = iface->child(i);
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(entry->actionInterface(), nullptr);
    entry->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chosen.isEmpty(); }, 1000));
    EXPECT_EQ(model.stampType(), StampType::doorContact);
    EXPECT_FALSE(picker.isVisible());
}
