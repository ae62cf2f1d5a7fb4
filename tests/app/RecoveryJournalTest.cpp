// The recovery journal: unsaved edits reach the disk, leave it when saved or discarded, stay when
// the program ends without asking, and come back as they were.
#include "app/EditorWindowController.h"
#include "app/RecoveryJournal.h"
#include "app/RecentCaptures.h"
#include "editor/EditorModel.h"
#include "io/ProjectIO.h"
#include "io/RecoveryStore.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/TextEntryField.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <cstring>

#include <unistd.h>

using TestSupport::annotation;

namespace {

// Noise in every channel: a picture that comes back "nearly" the same would not pass.
QImage noisyPicture(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) line[x] = random.generate() | 0xff000000u;
    }
    return image;
}

// Every byte of every pixel, whatever the formats' names.
bool samePixels(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    if (x.size() != y.size()) return false;
    for (int row = 0; row < x.height(); ++row)
        if (std::memcmp(x.constScanLine(row), y.constScanLine(row), size_t(x.width()) * 4) != 0) return false;
    return true;
}

std::unique_ptr<EditorWindowController> editorOn(const QImage& image, const QString& path = {}) {
    auto window = std::make_unique<EditorWindowController>(std::make_unique<EditorModel>(image), path);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->askToSave = [] { return EditorWindowController::CloseChoice::discard; };
    return window;
}

bool waitForEntry(RecoveryJournal& journal, const QString& id, bool present) {
    return QTest::qWaitFor([&] {
        journal.waitForWrites();
        return QFile::exists(RecoveryStore::indexPath(journal.folder(), id)) == present;
    }, 5000);
}

void typeText(EditorWindowController& window, QPointF at, const QString& text) {
    window.model().setTool(EditorTool::text);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, window.view()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window.view(), &event);
    }
    ASSERT_NE(window.view()->textField(), nullptr);
    QTest::keyClicks(window.view()->textField(), text);
}

ProjectIO::Project loadEntry(const RecoveryJournal& journal, const QString& id) {
    Result<ProjectIO::Project> project = ProjectIO::load(RecoveryStore::projectPath(journal.folder(), id));
    EXPECT_TRUE(project.ok()) << (project ? "" : project.error().message.toStdString());
    return project ? *project : ProjectIO::Project{};
}

} // namespace

TEST(RecoveryJournal, AnUnsavedEditorIsWrittenWithItsTypingAndGoesWhenSavedOrDiscarded) {
    QTemporaryDir dir;
    RecoveryJournal journal(dir.filePath(QStringLiteral("recovery")));
    const QImage picture = noisyPicture(160, 90);
    auto window = editorOn(picture, QStringLiteral("/somewhere/shot.png"));
    journal.watch(window.get());
    const QString id = journal.entryId(window.get());
    ASSERT_TRUE(RecoveryStore::isValidId(id));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    // A clean editor has no entry; nothing is written for it.
    QTest::qWait(RecoveryJournal::kDelayMs + 200);
    journal.waitForWrites();
    EXPECT_FALSE(QFile::exists(RecoveryStore::indexPath(journal.folder(), id)));

    window->model().commit(annotation(EditorTool::arrow, {{10, 10}, {90, 50}}), true);
    // Text still in its field counts too, and is kept as the object it would become.
    typeText(*window, QPointF(30, 30), QStringLiteral("Door 14"));
    ASSERT_TRUE(waitForEntry(journal, id, true));
    journal.flush(); // the typing may have come after the first write
    const ProjectIO::Project written = loadEntry(journal, id);
    EXPECT_TRUE(samePixels(written.baseImage, picture));
    ASSERT_EQ(written.annotations.size(), 2);
    EXPECT_EQ(written.annotations[0].tool, EditorTool::arrow);
    EXPECT_EQ(written.annotations[1].tool, EditorTool::text);
    EXPECT_EQ(written.annotations[1].text, QStringLiteral("Door 14"));
    // Nothing was committed behind the user's back.
    EXPECT_EQ(window->model().annotations().size(), 1);
    const QList<RecoveryStore::Entry> entries = RecoveryStore::list(journal.folder());
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].filePath, QStringLiteral("/somewhere/shot.png"));
    EXPECT_EQ(entries[0].title, QStringLiteral("Edit Screenshot — shot.png"));
    // Private: the folder and what is in it.
    EXPECT_EQ(QFile::permissions(journal.folder()) & 0x0077, 0);
    EXPECT_EQ(QFile::permissions(RecoveryStore::projectPath(journal.folder(), id)) &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              0);

    // A save removes it (text still in its field keeps it until committed, as a save does).
    window->view()->interaction().commitPendingText();
    const QString saved = dir.filePath(QStringLiteral("saved.png"));
    ASSERT_FALSE(window->saveTo(saved, FlatExport::Format::png, 1.0).has_value());
    ASSERT_TRUE(waitForEntry(journal, id, false));
    EXPECT_FALSE(QFile::exists(RecoveryStore::projectPath(journal.folder(), id)));

    // An edit after the save is written again under the same name; Don't Save on close removes it.
    window->model().commit(annotation(EditorTool::rect, {{5, 5}, {40, 40}}), true);
    ASSERT_TRUE(waitForEntry(journal, id, true));
    EXPECT_EQ(RecoveryStore::list(journal.folder()).value(0).saved.value_or(RecoveryStore::SavedFiles{}).imagePath,
              saved);
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    window->close();
    window.release();
    QTest::qWait(50); // the deferred delete
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(waitForEntry(journal, id, false));
}

TEST(RecoveryJournal, FlushWritesAtOnceAndEndingWithoutAskingKeepsTheEntry) {
    QTemporaryDir dir;
    RecoveryJournal journal(dir.filePath(QStringLiteral("recovery")));
    auto window = editorOn(noisyPicture(64, 48));
    journal.watch(window.get());
    const QString id = journal.entryId(window.get());
    window->model().commit(annotation(EditorTool::rect, {{5, 5}, {40, 40}}), true);
    window->model().markSaved();
    window->model().commit(annotation(EditorTool::line, {{1, 1}, {20, 20}}), true);
    // flush() writes at once what the timer would write later.
    journal.flush();
    EXPECT_TRUE(QFile::exists(RecoveryStore::indexPath(journal.folder(), id)));
    EXPECT_EQ(loadEntry(journal, id).annotations.size(), 2);

    // Ended from outside: the editor goes, its entry stays for the next start.
    journal.keepEntries();
    window.reset();
    journal.waitForWrites();
    EXPECT_TRUE(QFile::exists(RecoveryStore::indexPath(journal.folder(), id)));
    // This process wrote it: it is nobody's left-over while we run.
    EXPECT_TRUE(journal.leftBehind().isEmpty());
}

TEST(RecoveryJournal, WhatAnEarlierRunLeftComesBackUnsavedAndTiedToItsFiles) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    const QImage picture = noisyPicture(120, 80);
    QList<Annotation> objects{annotation(EditorTool::arrow, {{10, 10}, {90, 50}})};
    Annotation text = annotation(EditorTool::text, {{20, 60}});
    text.text = QStringLiteral("Camera 2");
    text.fontSize = 24;
    objects.append(text);

    // Two entries of a run that ended (process 1 is no Pictavo), and one whose project is damaged.
    const auto entryOf = [](const QString& title, const QString& file, int minutesAgo) {
        RecoveryStore::Entry entry;
        entry.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        entry.title = title;
        entry.filePath = file;
        entry.time = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
        entry.pid = 1;
        return entry;
    };
    RecoveryStore::Entry first = entryOf(QStringLiteral("Edit Screenshot — site.png"), dir.filePath("site.png"), 3);
    first.saved = RecoveryStore::SavedFiles{dir.filePath(QStringLiteral("site.png")), QStringLiteral("jpeg"), 0.5, false};
    first.history = QStringLiteral("20261209-101500-123"); // a capture kept in the history
    RecoveryStore::Entry second = entryOf(QStringLiteral("Edit Screenshot"), QString(), 2);
    RecoveryStore::Entry damaged = entryOf(QStringLiteral("Edit Screenshot — bad.png"), QString(), 1);
    ASSERT_FALSE(RecoveryStore::write(folder, first, *ProjectIO::encode(picture, objects)));
    ASSERT_FALSE(RecoveryStore::write(folder, second, *ProjectIO::encode(picture.mirrored(), {})));
    ASSERT_FALSE(RecoveryStore::write(folder, damaged, QByteArray("PTVJ not a project")));

    RecoveryJournal journal(folder);
    QList<EditorWindowController*> opened;
    EditorWindowController::openedHandler = [&](EditorWindowController* editor) {
        opened.append(editor);
        journal.watch(editor);
    };
    int offered = 0;
    journal.askToRestore = [&](const QList<RecoveryStore::Entry>& entries) -> std::optional<bool> {
        offered = int(entries.size());
        return std::nullopt; // closed without an answer: asked again next time
    };
    journal.offerLeftBehind();
    EXPECT_EQ(offered, 3);
    EXPECT_EQ(RecoveryStore::list(folder).size(), 3);

    int restored = -1;
    journal.restore(journal.leftBehind(), [&](int count) { restored = count; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return restored >= 0; }, 20000));
    EditorWindowController::openedHandler = nullptr;
    EXPECT_EQ(restored, 2);
    ASSERT_EQ(opened.size(), 2);
    // Newest first: the second entry, then the first.
    EditorWindowController* site = opened[1];
    EXPECT_TRUE(samePixels(opened[0]->model().baseImage(), picture.mirrored()));
    EXPECT_TRUE(samePixels(site->model().baseImage(), picture));
    ASSERT_EQ(site->model().annotations().size(), 2);
    EXPECT_EQ(site->model().annotations()[1].text, QStringLiteral("Camera 2"));
    EXPECT_TRUE(site->model().isDirty());
    EXPECT_TRUE(opened[0]->model().isDirty());
    ASSERT_TRUE(site->savedFiles().has_value());
    EXPECT_EQ(site->savedFiles()->format, FlatExport::Format::jpeg);
    EXPECT_DOUBLE_EQ(site->savedFiles()->scale, 0.5);
    EXPECT_EQ(site->filePath(), dir.filePath(QStringLiteral("site.png")));
    EXPECT_FALSE(opened[0]->savedFiles().has_value());
    EXPECT_EQ(site->property(RecentCaptures::kEntryProperty).toString(), first.history);
    EXPECT_TRUE(opened[0]->property(RecentCaptures::kEntryProperty).toString().isEmpty());
    // Each editor carries its entry on under the same name; the damaged one stays for another try.
    // One saved at once, before its first write, takes its old entry with it.
    EXPECT_EQ(journal.entryId(site), first.id);
    opened[0]->model().markSaved();
    journal.flush();
    QStringList ids;
    for (const RecoveryStore::Entry& entry : RecoveryStore::list(folder)) {
        ids.append(entry.id);
        if (entry.id == first.id) {
            EXPECT_EQ(entry.history, first.history); // written again with it
        }
    }
    EXPECT_EQ(ids, (QStringList{first.id, damaged.id}));

    // Discarding them all (the quit's "Quit Anyway", then closing) leaves the folder empty.
    for (EditorWindowController* editor : opened) {
        editor->model().markSaved();
        delete editor;
    }
    journal.waitForWrites();
    EXPECT_EQ(RecoveryStore::list(folder).size(), 1); // the damaged one
}

// Whose entries are whose: a run that ended left them, whatever its pid (inside a container every
// run has the same); a run still going keeps its own.
TEST(RecoveryJournal, EntriesOfARunThatEndedAreOfferedThoseOfALiveRunAreNot) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    const auto entryOf = [](const QString& run) {
        RecoveryStore::Entry entry;
        entry.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        entry.title = QStringLiteral("Edit Screenshot");
        entry.time = QDateTime::currentDateTimeUtc();
        entry.pid = QCoreApplication::applicationPid(); // the same pid as this run
        entry.run = run;
        return entry;
    };
    const QString ended = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString live = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const RecoveryStore::Entry left = entryOf(ended);
    ASSERT_FALSE(RecoveryStore::write(folder, left, *ProjectIO::encode(noisyPicture(8, 8), {})));
    ASSERT_FALSE(RecoveryStore::write(folder, entryOf(live), *ProjectIO::encode(noisyPicture(8, 8), {})));
    const int liveLock = RecoveryStore::lockRun(folder, live);
    ASSERT_GE(liveLock, 0);
    EXPECT_EQ(RecoveryStore::lockRun(folder, live), -1); // taken
    RecoveryJournal journal(folder);
    const QList<RecoveryStore::Entry> offered = journal.leftBehind();
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0].id, left.id);
    ::close(liveLock); // that run ends too
    EXPECT_EQ(journal.leftBehind().size(), 2);
}

TEST(RecoveryJournal, AFolderThatIsNotPrivatelyOursIsNeitherReadNorWritten) {
    QTemporaryDir dir;
    // The journal's folder is a link to a folder holding someone's projects and a planted entry.
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    RecoveryStore::Entry planted;
    planted.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    planted.title = QStringLiteral("Edit Screenshot");
    planted.time = QDateTime::currentDateTimeUtc().addDays(-30);
    planted.pid = 1;
    ASSERT_FALSE(RecoveryStore::write(elsewhere, planted, *ProjectIO::encode(noisyPicture(8, 8), {})));
    const QString work = QDir(elsewhere).filePath(QStringLiteral("MyWork.pictproj"));
    {
        QFile file(work);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("mine");
    }
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    ASSERT_TRUE(QFile::link(elsewhere, folder));
    RecoveryJournal journal(folder);
    EXPECT_TRUE(journal.leftBehind().isEmpty());
    // Nothing pruned there either, however old.
    EXPECT_TRUE(QFile::exists(work));
    EXPECT_TRUE(QFile::exists(RecoveryStore::projectPath(elsewhere, planted.id)));

    // An editor's writes fail, and its window says so.
    auto window = editorOn(noisyPicture(32, 32));
    journal.watch(window.get());
    window->model().commit(annotation(EditorTool::rect, {{5, 5}, {20, 20}}), true);
    QSignalSpy written(&journal, &RecoveryJournal::entryWritten);
    journal.flush();
    ASSERT_TRUE(written.wait(2000));
    EXPECT_FALSE(written.first().at(1).toBool());
    EXPECT_TRUE(window->messageText().startsWith(QStringLiteral("Unsaved edits can&#x27;t be kept for recovery")) ||
                window->messageText().startsWith(QStringLiteral("Unsaved edits can't be kept for recovery")))
        << window->messageText().toStdString();
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files).size(), 3);
}

TEST(RecoveryJournal, DiscardRemovesWhatWasLeftAndAnswersAreKept) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    RecoveryStore::Entry entry;
    entry.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    entry.title = QStringLiteral("Edit Screenshot");
    entry.time = QDateTime::currentDateTimeUtc();
    entry.pid = 1;
    ASSERT_FALSE(RecoveryStore::write(folder, entry, *ProjectIO::encode(noisyPicture(8, 8), {})));
    RecoveryJournal journal(folder);
    journal.askToRestore = [](const QList<RecoveryStore::Entry>&) -> std::optional<bool> { return false; };
    journal.offerLeftBehind();
    journal.waitForWrites();
    EXPECT_TRUE(RecoveryStore::list(folder).isEmpty());
    EXPECT_FALSE(QFile::exists(RecoveryStore::projectPath(folder, entry.id)));
}
