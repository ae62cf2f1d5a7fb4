// The save dialog and the canvas window's save, driven as a user would: typed names, the
// replace question, and the second dialog for a project its folder refuses.
#include "ui/editor/SaveDialog.h"
#include "editor/EditorModel.h"
#include "io/ProjectIO.h"
#include "io/SaveFolder.h"
#include "app/EditorWindowController.h"
#include "ui/ErrorAlert.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>

namespace {

std::unique_ptr<EditorModel> dirtyModel() {
    QImage base(120, 80, QImage::Format_RGB32);
    base.fill(Qt::white);
    auto model = std::make_unique<EditorModel>(base);
    model->commit(TestSupport::annotation(EditorTool::rect, {{10, 10}, {60, 40}}), true);
    return model;
}

QLineEdit* nameField(const QFileDialog* dialog) {
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// Replaces the name in the field by typing and presses Return, as a user saves.
void typeAndSave(QFileDialog* dialog, const QString& name) {
    QLineEdit* field = nameField(dialog);
    ASSERT_NE(field, nullptr);
    // Typing goes to the active window: the field must really have the focus, as Qt's file
    // list follows the typed name only then.
    QApplication::setActiveWindow(dialog);
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());
    field->selectAll();
    QTest::keyClicks(field, name);
    // The completion list of existing names would take the Return key for itself.
    if (QCompleter* completer = field->completer(); completer && completer->popup()->isVisible())
        completer->popup()->hide();
    QTest::keyClick(field, Qt::Key_Return);
}

// What the question over a dialog asked, once it was answered with the button titled `answer`.
struct Question {
    bool asked = false;
    QString text;
    QString defaultButton;
    QStringList buttons;
};

void answerNextQuestion(QWidget* over, const QString& answer, Question& question) {
    QTimer::singleShot(0, over, [over, answer, &question] {
        auto* box = over->findChild<QMessageBox*>();
        if (!box) return;
        question.asked = true;
        question.text = box->text();
        question.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        for (QAbstractButton* button : box->buttons()) {
            question.buttons << button->text();
            if (button->text() == answer) button->click();
        }
    });
}

QFileDialog* visibleProjectDialog(const QWidget& window) {
    for (auto* dialog : window.findChildren<QFileDialog*>(QStringLiteral("projectDialog")))
        if (dialog->isVisible()) return dialog;
    return nullptr;
}

} // namespace

TEST(SaveDialog, ChangingTheFormatKeepsTheWholeName) {
    SaveDialog dialog;
    QLineEdit* field = nameField(&dialog);
    ASSERT_NE(field, nullptr);
    field->setText(QStringLiteral("shot.final"));
    dialog.formatChoice()->setCurrentIndex(1);
    EXPECT_EQ(field->text(), QStringLiteral("shot.final.jpg"));
    dialog.formatChoice()->setCurrentIndex(0);
    EXPECT_EQ(field->text(), QStringLiteral("shot.final.png"));
    field->setText(QStringLiteral("report.JPEG"));
    dialog.formatChoice()->setCurrentIndex(2);
    EXPECT_EQ(field->text(), QStringLiteral("report.pdf"));
}

// The extension typed last chooses the format; the format's own rename then leaves the name alone.
TEST(SaveDialog, ATypedExtensionChoosesTheFormat) {
    SaveDialog dialog;
    QLineEdit* field = nameField(&dialog);
    ASSERT_NE(field, nullptr);
    dialog.formatChoice()->setCurrentIndex(2);
    ASSERT_EQ(dialog.format(), FlatExport::Format::pdf);
    field->clear();
    QTest::keyClicks(field, QStringLiteral("mark.pn"));
    EXPECT_EQ(dialog.format(), FlatExport::Format::pdf); // not yet a picture's extension
    QTest::keyClicks(field, QStringLiteral("g"));
    EXPECT_EQ(dialog.format(), FlatExport::Format::png);
    EXPECT_EQ(field->text(), QStringLiteral("mark.png"));
    field->clear();
    QTest::keyClicks(field, QStringLiteral("Door 3.JPEG"));
    EXPECT_EQ(dialog.format(), FlatExport::Format::jpeg);
    EXPECT_EQ(field->text(), QStringLiteral("Door 3.jpeg"));
    // A project's extension is no picture format: the choice stays.
    field->clear();
    QTest::keyClicks(field, QStringLiteral("plan.pictproj"));
    EXPECT_EQ(dialog.format(), FlatExport::Format::jpeg);
}

// A page opened from a PDF is proposed as a picture of its own, never over the document.
TEST(EditorWindowController, APdfPageIsNotProposedOverItsDocument) {
    QTemporaryDir dir;
    SaveFolder::set(dir.path());
    EditorWindowController window(dirtyModel(), dir.filePath(QStringLiteral("Site plan.PDF")));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    window.save();
    QPointer<SaveDialog> dialog = window.findChild<SaveDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->format(), FlatExport::Format::png);
    EXPECT_EQ(nameField(dialog)->text(), QStringLiteral("Site plan.png"));
    dialog->reject();
}

TEST(EditorWindowController, TypedNamesGiveEachFileItsOwnType) {
    QTemporaryDir dir;
    SaveFolder::set(dir.path());
    auto owned = dirtyModel();
    EditorModel* model = owned.get();
    EditorWindowController window(std::move(owned), QStringLiteral("shot.png"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    for (const QString& typed : {QStringLiteral("report.pictproj"), QStringLiteral("shot.final")}) {
        model->commit(TestSupport::annotation(EditorTool::line, {{1, 1}, {30, 30}}), true);
        window.saveAs(); // the second would save in place
        QPointer<SaveDialog> dialog = window.findChild<SaveDialog*>();
        ASSERT_TRUE(dialog);
        ASSERT_EQ(dialog->format(), FlatExport::Format::png);
        typeAndSave(dialog, typed);
        ASSERT_FALSE(dialog && dialog->isVisible()) << typed.toStdString();
        EXPECT_FALSE(model->isDirty()) << typed.toStdString();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              QStringList({QStringLiteral("report.pictproj"), QStringLiteral("report.png"),
                           QStringLiteral("shot.final.pictproj"), QStringLiteral("shot.final.png")}));
    for (const char* image : {"report.png", "shot.final.png"})
        EXPECT_EQ(QImageReader(dir.filePath(QString::fromLatin1(image))).format(), QByteArray("png"))
            << image;
    for (const char* project : {"report.pictproj", "shot.final.pictproj"}) {
        const Result<ProjectIO::Project> loaded = ProjectIO::load(dir.filePath(QString::fromLatin1(project)));
        ASSERT_TRUE(loaded.ok()) << project << ": " << loaded.error().message.toStdString();
        EXPECT_EQ(loaded->baseImage.size(), QSize(120, 80));
    }
}

// A document with blur regions is asked whether its project keeps the blurred pixels; the answer
// holds for saving in place and shows when asked again.
TEST(EditorWindowController, BlurredPartsGoIntoTheProjectWhenTheSaveDialogSaysSo) {
    QTemporaryDir dir;
    SaveFolder::set(dir.path());
    const QImage base = TestSupport::noisePicture(120, 80);
    auto owned = std::make_unique<EditorModel>(base);
    EditorModel* model = owned.get();
    EditorWindowController window(std::move(owned), QStringLiteral("shot.png"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    auto dialog = [&] {
        window.saveAs();
        SaveDialog* shown = nullptr;
        for (SaveDialog* d : window.findChildren<SaveDialog*>())
            if (d->isVisible()) shown = d;
        return shown;
    };
    SaveDialog* asking = dialog();
    ASSERT_TRUE(asking);
    EXPECT_FALSE(asking->burnBlurChoice()->isVisibleTo(asking)); // nothing blurred yet
    asking->reject();
    model->commit(TestSupport::annotation(EditorTool::blur, {{20, 20}, {80, 60}}), true);
    asking = dialog();
    ASSERT_TRUE(asking);
    QCheckBox* burn = asking->burnBlurChoice();
    EXPECT_TRUE(burn->isVisibleTo(asking) && !burn->isChecked());
    EXPECT_EQ(burn->text(), QStringLiteral("Burn blurred parts into the project"));
    EXPECT_EQ(burn->accessibleName(), burn->text());
    EXPECT_TRUE(burn->toolTip().contains(QStringLiteral("blurred pixels")));
    burn->click();
    typeAndSave(asking, QStringLiteral("blurred"));
    // Saving in place asks nothing and blurs a new region into the project too.
    model->commit(TestSupport::annotation(EditorTool::blur, {{90, 10}, {115, 40}}), true);
    window.save();
    EXPECT_FALSE(model->isDirty());
    const Result<ProjectIO::Project> project = ProjectIO::load(dir.filePath(QStringLiteral("blurred.pictproj")));
    ASSERT_TRUE(project.ok());
    EXPECT_GT(TestSupport::differingPixels(project->baseImage.copy(20, 20, 95, 40), base.copy(20, 20, 95, 40)), 2500);
    EXPECT_EQ(TestSupport::differingPixels(project->baseImage.copy(0, 65, 120, 15), base.copy(0, 65, 120, 15)), 0);
    asking = dialog();
    ASSERT_TRUE(asking);
    EXPECT_TRUE(asking->burnBlurChoice()->isChecked());
    asking->reject();
}

TEST(SaveDialog, OneQuestionCoversThePictureAndItsProject) {
    QTemporaryDir dir;
    SaveFolder::set(dir.path());
    for (const char* name : {"X.png", "X.pictproj"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("another picture");
    }
    SaveDialog dialog;
    dialog.formatChoice()->setCurrentIndex(1); // JPEG
    dialog.show();

    // Only the project of the other picture is in the way: "X" means X.jpg with JPEG chosen.
    Question question;
    answerNextQuestion(&dialog, QStringLiteral("Cancel"), question);
    typeAndSave(&dialog, QStringLiteral("X"));
    ASSERT_TRUE(question.asked);
    EXPECT_EQ(question.text, QStringLiteral("“X.pictproj” already exists. Do you want to replace it?"));
    EXPECT_EQ(question.buttons, QStringList({QStringLiteral("Replace"), QStringLiteral("Cancel")}));
    EXPECT_EQ(question.defaultButton, QStringLiteral("Cancel"));
    EXPECT_TRUE(dialog.isVisible()); // back to the dialog, the name kept
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(nameField(&dialog)->text(), QStringLiteral("X"));

    // "X.png" chooses PNG: now the picture is in the way too.
    question = {};
    answerNextQuestion(&dialog, QStringLiteral("Cancel"), question);
    typeAndSave(&dialog, QStringLiteral("X.png"));
    ASSERT_TRUE(question.asked);
    EXPECT_EQ(question.text,
              QStringLiteral("“X.png” and “X.pictproj” already exist. Do you want to replace them?"));
    EXPECT_EQ(dialog.format(), FlatExport::Format::png);

    QFile jpeg(dir.filePath(QStringLiteral("X.jpg")));
    ASSERT_TRUE(jpeg.open(QIODevice::WriteOnly));
    jpeg.close();
    question = {};
    answerNextQuestion(&dialog, QStringLiteral("Cancel"), question);
    typeAndSave(&dialog, QStringLiteral("X.jpg"));
    ASSERT_TRUE(question.asked);
    EXPECT_EQ(question.text,
              QStringLiteral("“X.jpg” and “X.pictproj” already exist. Do you want to replace them?"));
    EXPECT_TRUE(dialog.isVisible());

    question = {};
    answerNextQuestion(&dialog, QStringLiteral("Replace"), question);
    QTest::keyClick(nameField(&dialog), Qt::Key_Return);
    ASSERT_TRUE(question.asked);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.imagePath(), dir.filePath(QStringLiteral("X.jpg")));

    // A new name asks nothing.
    SaveDialog fresh;
    fresh.show();
    question = {};
    answerNextQuestion(&fresh, QStringLiteral("Cancel"), question);
    typeAndSave(&fresh, QStringLiteral("Y"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(question.asked);
    EXPECT_EQ(fresh.result(), QDialog::Accepted);
    EXPECT_EQ(fresh.imagePath(), dir.filePath(QStringLiteral("Y.png")));
}

TEST(EditorWindowController, ARefusedProjectIsSavedOnlyOnceItFoundAnotherFolder) {
    QTemporaryDir refusing;
    QTemporaryDir elsewhere;
    SaveFolder::set(refusing.path());
    const TestSupport::ScopedWriteRefusal refused([folder = refusing.path()](const QString& path) {
        return path.startsWith(folder) ? TestSupport::refuseProjects(EACCES)(path) : 0;
    });
    auto owned = dirtyModel();
    EditorModel* model = owned.get();
    EditorWindowController window(std::move(owned), QStringLiteral("shot.png"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.askToSave = [] { return EditorWindowController::CloseChoice::save; };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // Closing saves the picture, then asks where the project may go.
    Question replaced;
    auto saveThroughClose = [&] {
        window.close();
        SaveDialog* dialog = nullptr;
        for (SaveDialog* d : window.findChildren<SaveDialog*>())
            if (d->isVisible()) dialog = d;
        if (!dialog) return;
        answerNextQuestion(dialog, QStringLiteral("Replace"), replaced);
        typeAndSave(dialog, QStringLiteral("x.png"));
    };
    saveThroughClose();
    EXPECT_TRUE(QFile::exists(refusing.filePath(QStringLiteral("x.png"))));
    EXPECT_FALSE(QFile::exists(refusing.filePath(QStringLiteral("x.pictproj"))));
    EXPECT_TRUE(model->isDirty());
    EXPECT_TRUE(window.isVisible());
    QCoreApplication::processEvents();
    QFileDialog* second = visibleProjectDialog(window);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(nameField(second)->text(), QStringLiteral("x.pictproj"));
    second->reject();
    QCoreApplication::processEvents();
    EXPECT_TRUE(model->isDirty());
    EXPECT_TRUE(window.isVisible());

    saveThroughClose();
    EXPECT_EQ(replaced.text, QStringLiteral("“x.png” already exists. Do you want to replace it?"));
    QCoreApplication::processEvents();
    second = visibleProjectDialog(window);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(window.isVisible()); // the project is not written yet
    second->setDirectory(elsewhere.path());
    typeAndSave(second, QStringLiteral("x.pictproj"));
    const Result<ProjectIO::Project> project =
        ProjectIO::load(elsewhere.filePath(QStringLiteral("x.pictproj")));
    ASSERT_TRUE(project.ok());
    EXPECT_EQ(project->annotations.size(), 1);
    EXPECT_FALSE(model->isDirty());
    EXPECT_FALSE(window.isVisible());
}

TEST(SaveDialog, FormatAndSizeChoices) {
    QTemporaryDir dir;
    SaveFolder::set(dir.path());
    SaveDialog dialog;
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
    ASSERT_EQ(dialog.formatChoice()->count(), 3);
    EXPECT_EQ(dialog.formatChoice()->itemText(0), QStringLiteral("PNG (lossless)"));
    EXPECT_EQ(dialog.formatChoice()->itemText(1), QStringLiteral("JPEG (smaller)"));
    EXPECT_EQ(dialog.sizeChoice()->itemText(3), QStringLiteral("25%"));
    EXPECT_EQ(dialog.format(), FlatExport::Format::png);
    EXPECT_DOUBLE_EQ(dialog.scale(), 1.0);
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->text().startsWith(QStringLiteral("Screenshot ")));
    EXPECT_TRUE(name->text().endsWith(QStringLiteral(".png")));
    dialog.formatChoice()->setCurrentIndex(2);
    dialog.sizeChoice()->setCurrentIndex(2);
    EXPECT_EQ(dialog.format(), FlatExport::Format::pdf);
    EXPECT_DOUBLE_EQ(dialog.scale(), 0.5);
    EXPECT_TRUE(name->text().endsWith(QStringLiteral(".pdf")));
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("pdf"));
}


TEST(ErrorAlert, FailuresWhileOneIsOpenJoinItAsLines) {
    const auto before = QApplication::topLevelWidgets().size();
    ErrorAlert::present(QStringLiteral("“a.pictproj” is not a Pictavo project."), nullptr,
                        ErrorAlert::Severity::warning);
    ErrorAlert::present(QStringLiteral("“b.png” is damaged: truncated"));
    ErrorAlert::present(QStringLiteral("“b.png” is damaged: truncated")); // said once
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes << box;
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before + 1);
    // Not application-modal: a capture's overlay must still get the clicks and keys.
    EXPECT_EQ(boxes[0]->windowModality(), Qt::NonModal);
    EXPECT_EQ(boxes[0]->text(),
              QStringLiteral("“a.pictproj” is not a Pictavo project.\n“b.png” is damaged: truncated"));
    // A failure among the warnings makes the alert an error.
    EXPECT_EQ(boxes[0]->icon(), QMessageBox::Critical);
    boxes[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Once closed, the next failure has an alert of its own.
    ErrorAlert::present(QStringLiteral("“c.png” is damaged"));
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            ++shown;
            EXPECT_EQ(box->text(), QStringLiteral("“c.png” is damaged"));
            box->close();
        }
    EXPECT_EQ(shown, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
