#pragma once

#include "entries/ClipboardEntry.h"
#include "entries/EntryJson.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace quillstack {

// Writes history.json on a thread of its own, so that no disk stalls the GUI thread. Only the
// newest snapshot is written: snapshots handed over while a write runs replace one another and
// become one write after it. Each write is a DurableFile replacement, so a crash at any moment
// leaves the old or the new complete file.
//
// The first failing write after a success prints one line on standard error, and the first
// success after failures another. A missing folder is made again before each write.
class HistorySaver : public QObject {
    Q_OBJECT

public:
    struct Snapshot {
        QList<ClipboardEntry> entries;
        QList<EntryJson::EncodedEntry> encoded;
        // Lets the owner tell which state of its history a result belongs to.
        quint64 generation = 0;
    };

    explicit HistorySaver(QString path, QObject* parent = nullptr);
    // Finishes the write that runs and the one that waits, then stops the thread.
    ~HistorySaver() override;

    // Queues the snapshot, replacing one that has not started yet.
    void save(Snapshot snapshot);

    // The file at the path could not be read when loading: it is renamed aside (one line on
    // standard error names where to) now, or before the first write when that fails now.
    void keepUnreadableFileAside();

    // Before the next write, the temporary files that an interrupted write of history.json left
    // in the folder are removed.
    void removeLeftoversBeforeNextWrite();

    // Blocks until nothing is queued or being written.
    void waitUntilIdle();
    bool isIdle() const;

    // Whether the last write failed (read on the owner's thread, after finished()).
    bool isFailing() const { return lastFailed_; }

signals:
    // On the owner's thread, after each write: whether it reached the disk, and the entries left
    // out because their loaded image could no longer be read from the old file.
    void finished(quint64 generation, bool saved, const QList<QUuid>& unreadable);

private:
    struct Result {
        bool saved = false;
        QList<QUuid> unreadable;
    };

    void run();
    Result write(const Snapshot& snapshot);
    bool keepAsideNow();

    const QString path_;
    const QString folder_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Snapshot> pending_;
    bool writing_ = false;
    bool stopping_ = false;
    bool removeLeftovers_ = false;
    bool keepAside_ = false;

    // Written on the worker only.
    bool failing_ = false;
    // Owner's thread only.
    bool lastFailed_ = false;

    std::thread worker_;
};

} // namespace quillstack
