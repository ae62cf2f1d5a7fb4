#pragma once

#include "io/RecoveryStore.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <memory>

class EditorWindowController;
class QTimer;

// Keeps every editor's unsaved edits on disk, so that a crash, a kill or a logout loses at most
// the last seconds: an editor with unsaved edits (text being typed included) is written as a
// project to the journal folder shortly after each change, on a worker thread, and its entry goes
// when it is saved, its edits are discarded or it closes. What an earlier run left is offered back
// at the next start.
class RecoveryJournal : public QObject {
    Q_OBJECT

public:
    // The longest an edit waits before it is written (encoding comes on top).
    static constexpr int kDelayMs = 1000;

    explicit RecoveryJournal(QString folder = RecoveryStore::defaultFolder(), QObject* parent = nullptr);
    // Waits for the writes under way.
    ~RecoveryJournal() override;

    const QString& folder() const { return m_folder; }
    void watch(EditorWindowController* editor);
    // Writes every entry that is behind now, and returns once all writes are done.
    void flush();
    // Hands the editor's state to the writer thread now; returns at once (what the event loop
    // pays per write).
    void writeEntry(EditorWindowController* editor);
    // From now on entries stay when their editors close: the program ends without asking.
    void keepEntries();
    // Waits for the writes under way (tests, and before the program ends).
    void waitForWrites();

    // Entries an earlier run left behind (not this process's, nor a running Pictavo's), after
    // removing those too old or beyond the size bound.
    QList<RecoveryStore::Entry> leftBehind() const;
    // Asks once whether to restore what an earlier run left behind; tests replace the question.
    // True restores, false discards, absent keeps them for the next start.
    std::function<std::optional<bool>(const QList<RecoveryStore::Entry>&)> askToRestore;
    void offerLeftBehind();
    // Opens each entry as an editor with its edits unsaved; `done` hears how many opened.
    void restore(const QList<RecoveryStore::Entry>& entries, std::function<void(int opened)> done = {});
    void discard(const QList<RecoveryStore::Entry>& entries);

    // The id of an editor's entry (tests).
    QString entryId(const EditorWindowController* editor) const;

signals:
    // An entry was written (or failed to be: `ok` false) for `id`.
    void entryWritten(const QString& id, bool ok);

private:
    struct Watched;
    class Restoring;
    void changed(EditorWindowController* editor);
    void forget(const QString& id);
    void written(const QString& id, const QString& problem);
    bool needsEntry(EditorWindowController* editor) const;

    QString m_folder;
    QString m_run; // this run's name in the entries it writes
    int m_runLock = -1;
    QThreadPool m_writer; // one thread: writes and removals happen in the order asked
    QHash<EditorWindowController*, std::shared_ptr<Watched>> m_watched;
    bool m_keep = false;
    QString m_adoptedId; // the entry a restored editor takes over
};
