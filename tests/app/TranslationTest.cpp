// Every text of the tray menu, the editor window and the preview goes through the translation
// system, and the German translation is what a German user sees.
#include "app/CaptureManager.h"
#include "app/EditorWindowController.h"
#include "app/PreviewWindowController.h"
#include "app/StatusBarController.h"
#include "app/Translations.h"
#include "editor/EditorModel.h"
#include "io/SaveFolder.h"
#include "ui/editor/EditorToolbar.h"
#include "ui/editor/SaveDialog.h"
#include "ui/editor/StampPicker.h"
#include "editor/SensitiveText.h"
#include "io/ErrorTexts.h"
#include "io/FileIO.h"
#include "io/ImageDecoder.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QListWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>

namespace {

// Marks every text it is asked for: a text shown unmarked never went through the translator.
class MarkingTranslator final : public QTranslator {
public:
    QString translate(const char*, const char* source, const char*, int) const override {
        return QStringLiteral("⟦%1⟧").arg(QString::fromUtf8(source));
    }
    bool isEmpty() const override { return false; }
};

struct Installed {
    explicit Installed(QTranslator* translator) : m_translator(translator) {
        QCoreApplication::installTranslator(translator);
    }
    ~Installed() { QCoreApplication::removeTranslator(m_translator); }
    QTranslator* m_translator;
};

// Texts without a letter (numbers, "100 %", "×") need no translation.
bool needsTranslation(const QString& text) {
    static const QRegularExpression letter(QStringLiteral("\\p{L}"));
    return text.contains(letter);
}

void collect(const QString& where, const QString& text, QStringList* unmarked) {
    if (needsTranslation(text) && !text.contains(QStringLiteral("⟦"))) unmarked->append(where + QStringLiteral(": ") + text);
}

void collectAction(const QString& where, QAction* action, QStringList* unmarked) {
    if (action->isSeparator()) return;
    collect(where + QStringLiteral(" action"), action->text(), unmarked);
    if (action->toolTip() != QString(action->text()).remove(QLatin1Char('&')))
        collect(where + QStringLiteral(" action tooltip"), action->toolTip(), unmarked);
    collect(where + QStringLiteral(" action status tip"), action->statusTip(), unmarked);
    if (QMenu* sub = action->menu())
        for (QAction* a : sub->actions()) collectAction(where + QStringLiteral(" › ") + action->text(), a, unmarked);
}

// What a person reads or hears of `root` and everything in it.
QStringList unmarkedTexts(QWidget* root, const QStringList& userContent) {
    QStringList unmarked;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        const QString name = QString::fromLatin1(w->metaObject()->className()) +
                             (w->objectName().isEmpty() ? QString() : QStringLiteral("#") + w->objectName());
        if (w->isWindow()) collect(name + QStringLiteral(" title"), w->windowTitle(), &unmarked);
        collect(name + QStringLiteral(" tooltip"), w->toolTip(), &unmarked);
        collect(name + QStringLiteral(" accessible name"), w->accessibleName(), &unmarked);
        collect(name + QStringLiteral(" accessible description"), w->accessibleDescription(), &unmarked);
        collect(name + QStringLiteral(" status tip"), w->statusTip(), &unmarked);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) collect(name + QStringLiteral(" text"), button->text(), &unmarked);
        if (auto* label = qobject_cast<QLabel*>(w)) collect(name + QStringLiteral(" text"), label->text(), &unmarked);
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            collect(name + QStringLiteral(" placeholder"), edit->placeholderText(), &unmarked);
        if (auto* box = qobject_cast<QGroupBox*>(w)) collect(name + QStringLiteral(" title"), box->title(), &unmarked);
        for (QAction* action : w->actions()) collectAction(name, action, &unmarked);
    }
    for (const QString& content : userContent)
        unmarked.erase(std::remove_if(unmarked.begin(), unmarked.end(),
                                      [&](const QString& line) { return line.endsWith(QStringLiteral(": ") + content); }),
                       unmarked.end());
    return unmarked;
}

std::unique_ptr<EditorWindowController> editorWindow() {
    auto model = std::make_unique<EditorModel>(TestSupport::solidImage(400, 300), QList<Annotation>{});
    auto window = std::make_unique<EditorWindowController>(std::move(model), QStringLiteral("/tmp/door14.png"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->askToSave = [] { return EditorWindowController::CloseChoice::discard; };
    return window;
}

} // namespace

TEST(Translation, EveryTextOfTheTrayMenuAndTheWindowsGoesThroughTheTranslator) {
    QTemporaryDir folder;
    SaveFolder::set(folder.path());
    MarkingTranslator marking;
    const Installed installed(&marking);

    CaptureManager captures;
    StatusBarController tray(captures);
    emit tray.preferencesMenu()->aboutToShow();
    tray.rebuildRecent();
    QStringList unmarked;
    for (QAction* action : tray.menu()->actions()) collectAction(QStringLiteral("tray menu"), action, &unmarked);
    // The version line is the program's name and its number.
    unmarked.erase(std::remove_if(unmarked.begin(), unmarked.end(),
                                  [](const QString& line) { return line.contains(QStringLiteral(": Pictavo v")); }),
                   unmarked.end());

    const std::unique_ptr<EditorWindowController> editor = editorWindow();
    // The document's own name is the person's, not ours.
    unmarked += unmarkedTexts(editor.get(), {QStringLiteral("door14.png")});
    PreviewWindowController preview(TestSupport::solidImage(300, 200));
    unmarked += unmarkedTexts(&preview, {});
    SaveDialog save;
    unmarked += unmarkedTexts(&save, {});

    EXPECT_TRUE(unmarked.isEmpty()) << "not translatable:\n" << unmarked.join(QLatin1Char('\n')).toStdString();
    // The check sees texts at all: the toolbar's are there, marked.
    const QStringList seen = [&] {
        QStringList all;
        for (QWidget* w : editor->findChildren<QWidget*>()) all << w->toolTip();
        return all;
    }();
    EXPECT_GT(seen.filter(QStringLiteral("⟦")).size(), 20);
}

TEST(Translation, GermanUsersSeeGermanTextsAndEnglishComesBack) {
    ASSERT_TRUE(Translations::install(QLocale(QLocale::German, QLocale::Germany)));
    {
        CaptureManager captures;
        StatusBarController tray(captures);
        EXPECT_EQ(tray.menu()->actions().value(0)->text(), QStringLiteral("Bereich aufnehmen"));
        const std::unique_ptr<EditorWindowController> editor = editorWindow();
        QWidget* arrow = editor->toolbar()->toolButton(EditorTool::arrow);
        ASSERT_NE(arrow, nullptr);
        EXPECT_TRUE(arrow->toolTip().startsWith(QStringLiteral("Pfeil"))) << arrow->toolTip().toStdString();
        // Numbers and percentages are written the German way.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(EditorToolbar::zoomText(1.001), QStringLiteral("100,1 %"));
        EXPECT_EQ(EditorToolbar::zoomText(0.5), QStringLiteral("50 %"));
        QLocale::setDefault(before);
        // Qt's own buttons follow too.
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Abbrechen"));
    }
    // French is there too; English (and the C locale) is the texts as written.
    EXPECT_TRUE(Translations::install(QLocale(QLocale::French, QLocale::France)));
    EXPECT_FALSE(Translations::install(QLocale::c()));
    CaptureManager captures;
    StatusBarController tray(captures);
    EXPECT_EQ(tray.menu()->actions().value(0)->text(), QStringLiteral("Capture Selection"));
    EXPECT_FALSE(Translations::install(QLocale(QLocale::English, QLocale::UnitedStates)));
}

// Failures are built in English by the io layer (the command line prints them so); a window shows
// them in the user's language, reason and all, with the file's name as it is.
TEST(Translation, FailuresAreShownInTheUsersLanguageWithTheirNamesKept) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("it is empty.png"));
    const Result<QByteArray> unread = FileIO::readFile(missing);
    ASSERT_FALSE(unread);
    const QString notImage = dir.filePath(QStringLiteral("notes.png"));
    {
        QFile file(notImage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("plain words, no picture");
    }
    const Result<QImage> undecoded = ImageDecoder::decodeFileHere(notImage, nullptr);
    ASSERT_FALSE(undecoded);
    const QString full = QStringLiteral("Couldn't write “%1”: there is not enough space on the disk").arg(missing);

    // Without a translation every message comes back as it is.
    EXPECT_EQ(ErrorTexts::translated(undecoded.error().message), undecoded.error().message);

    ASSERT_TRUE(Translations::install(QLocale(QLocale::German, QLocale::Germany)));
    const QString opened = ErrorTexts::translated(unread.error().message);
    EXPECT_TRUE(opened.startsWith(QStringLiteral("„%1“ konnte nicht geöffnet werden: ").arg(missing)))
        << opened.toStdString();
    // The reason inside is translated too; a name that reads like one is not.
    EXPECT_EQ(ErrorTexts::translated(full),
              QStringLiteral("„%1“ konnte nicht geschrieben werden: auf dem Datenträger ist nicht genug Platz").arg(missing));
    EXPECT_EQ(ErrorTexts::translated(undecoded.error().message),
              QStringLiteral("„%1“ ist kein lesbares Bild: Pictavo kann sein Format nicht lesen").arg(notImage));
    // Several failures, one per line, each in German; what is not ours stays as it is.
    EXPECT_EQ(ErrorTexts::translated(full + u'\n' + QStringLiteral("something else")),
              QStringLiteral("„%1“ konnte nicht geschrieben werden: auf dem Datenträger ist nicht genug Platz\nsomething else")
                  .arg(missing));
    // A name that reads like a reason stays the name it is.
    EXPECT_EQ(ErrorTexts::translated(QStringLiteral("Couldn't use “it is not a folder”: it is not a folder")),
              QStringLiteral("„it is not a folder“ konnte nicht verwendet werden: er ist kein Ordner"));
    EXPECT_EQ(ErrorTexts::translated(QStringLiteral("“it is too large” is damaged: it is too large")),
              QStringLiteral("„it is too large“ ist beschädigt: sie ist zu groß"));
    // A name holding a gap mark is shown as it is, not filled.
    EXPECT_EQ(ErrorTexts::translated(QStringLiteral("Couldn't use “%2 and %1”: it is not a folder")),
              QStringLiteral("„%2 and %1“ konnte nicht verwendet werden: er ist kein Ordner"));

    ASSERT_TRUE(Translations::install(QLocale(QLocale::French, QLocale::France)));
    EXPECT_EQ(ErrorTexts::translated(QStringLiteral("a capture is already in progress")),
              QStringLiteral("une capture est déjà en cours"));
    EXPECT_FALSE(Translations::install(QLocale::c()));
    EXPECT_EQ(ErrorTexts::translated(full), full);
}

// What the sensitive-text search found is said in the user's language in the editor.
TEST(Translation, TheSensitiveTextSummaryIsInTheUsersLanguage) {
    const QList<SensitiveText::Finding> findings = {{SensitiveText::Kind::email, QRect(0, 0, 10, 10), {}},
                                                    {SensitiveText::Kind::email, QRect(0, 20, 10, 10), {}},
                                                    {SensitiveText::Kind::key, QRect(0, 40, 10, 10), {}}};
    ASSERT_TRUE(Translations::install(QLocale(QLocale::German, QLocale::Germany)));
    EXPECT_EQ(SensitiveText::summary(findings), QStringLiteral("3 gefunden: 2 × E-Mail, 1 × Schlüssel"));
    EXPECT_EQ(SensitiveText::summary({}), QStringLiteral("Nichts Vertrauliches gefunden"));
    // The command line's names stay English whatever the language.
    EXPECT_EQ(SensitiveText::kindName(SensitiveText::Kind::key), QStringLiteral("key"));
    EXPECT_FALSE(Translations::install(QLocale::c()));
    EXPECT_EQ(SensitiveText::summary(findings), QStringLiteral("3 found: 2 e-mail, 1 key"));
}

// The stamp search's hint suggests words; in every language each of them finds a stamp.
TEST(Translation, EveryWordTheStampSearchSuggestsFindsAStamp) {
    for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France),
                                  QLocale::c()}) {
        Translations::install(locale);
        StampPicker picker;
        const QString hint = picker.searchField()->toolTip();
        const qsizetype colon = hint.indexOf(u':');
        ASSERT_GT(colon, 0) << hint.toStdString();
        QStringList words = hint.mid(colon + 1).remove(QChar(0x2026)).split(u',', Qt::SkipEmptyParts);
        ASSERT_GE(words.size(), 3) << hint.toStdString();
        for (QString word : words) {
            word = word.trimmed();
            picker.searchField()->setText(word);
            // A heading shows only above a stamp that is shown.
            int shown = 0;
            for (int row = 0; row < picker.list()->count(); ++row)
                if (!picker.list()->isRowHidden(row)) ++shown;
            EXPECT_GT(shown, 0) << locale.name().toStdString() << ": “" << word.toStdString() << "” finds nothing";
        }
    }
    Translations::install(QLocale::c());
}
