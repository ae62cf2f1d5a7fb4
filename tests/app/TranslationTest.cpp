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

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
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
