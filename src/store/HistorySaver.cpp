#include "store/HistorySaver.h"

#include "platform/DataLocations.h"
#include "platform/Diagnostics.h"
#include "platform/DurableFile.h"
#include "platform/ThreadPriority.h"

#include <QFileInfo>

#include <utility>

namespace quillstack {

HistorySaver::HistorySaver(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)), folder_(QFileInfo(path_).absolutePath()),
      worker_([this] { run(); }) {}

HistorySaver::~HistorySaver() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void HistorySaver::save(Snapshot snapshot) {
    {
        const std::lock_guard lock(mutex_);
        pending_ = std::move(snapshot);
    }
    wake_.notify_all();
}

void HistorySaver::keepUnreadableFileAside() {
    const std::lock_guard lock(mutex_);
    keepAside_ = true;
    if (!writing_) {
        keepAside_ = !keepAsideNow();
    }
}

void HistorySaver::removeLeftoversBeforeNextWrite() {
    const std::lock_guard lock(mutex_);
    removeLeftovers_ = true;
}

void HistorySaver::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !pending_ && !writing_; });
}

bool HistorySaver::isIdle() const {
    const std::lock_guard lock(mutex_);
    return !pending_ && !writing_;
}

void HistorySaver::run() {
    // A large save must not take the GUI thread's share of the processor or the disk.
    lowerCurrentThreadPriority();
    for (;;) {
        Snapshot snapshot;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return pending_ || stopping_; });
            if (!pending_) {
                return; // stopping, with nothing left to write
            }
            snapshot = std::move(*pending_);
            pending_.reset();
            writing_ = true;
        }
        const Result result = write(snapshot);
        const quint64 generation = snapshot.generation;
        // Released before the owner hears of it: the entries may be the last references to
        // images whose old file stays open until then.
        snapshot = {};
        // Queued before the write counts as done, so that whoever waited for it finds the
        // result on its event queue.
        QMetaObject::invokeMethod(
            this,
            [this, generation, result] {
                lastFailed_ = !result.saved;
                emit finished(generation, result.saved, result.unreadable);
            },
            Qt::QueuedConnection);
        {
            const std::lock_guard lock(mutex_);
            writing_ = false;
        }
        idle_.notify_all();
    }
}

bool HistorySaver::keepAsideNow() {
    if (!DurableFile::existsOrDangles(path_)) {
        return true;
    }
    const std::optional<QString> aside = DurableFile::keepAside(path_);
    if (aside) {
        printDiagnostic(path_ + QStringLiteral(" could not be read; it was moved to ") + *aside +
                        QStringLiteral("."));
    }
    return aside.has_value();
}

HistorySaver::Result HistorySaver::write(const Snapshot& snapshot) {
    bool removeLeftovers = false;
    bool keepAside = false;
    {
        const std::lock_guard lock(mutex_);
        removeLeftovers = std::exchange(removeLeftovers_, false);
        keepAside = keepAside_;
    }
    Result result;
    QString error;
    if (!QFileInfo(folder_).isDir() && !remakeQuillstackFolder(folder_)) {
        error = QStringLiteral("cannot make the folder ") + folder_;
    } else {
        if (removeLeftovers) {
            // Only this thread writes history.json, so none of these is a write in progress.
            DurableFile::removeLeftovers(folder_, {QStringLiteral("history.json")});
        }
        if (keepAside && keepAsideNow()) {
            const std::lock_guard lock(mutex_);
            keepAside_ = keepAside = false;
        }
        if (keepAside) {
            error = QStringLiteral("the unreadable file there cannot be moved aside");
        } else {
            QList<qsizetype> unreadable;
            result.saved = DurableFile::write(
                path_,
                [&snapshot, &unreadable](QIODevice& device) {
                    return EntryJson::writeHistory(device, snapshot.entries, snapshot.encoded,
                                                   &unreadable);
                },
                &error);
            if (result.saved && !unreadable.isEmpty()) {
                for (const qsizetype index : std::as_const(unreadable)) {
                    result.unreadable.append(snapshot.entries[index].id());
                }
                printDiagnostic(
                    QString::number(unreadable.size()) +
                    QStringLiteral(" image(s) could no longer be read from the old history file; "
                                   "their entries were left out of ") +
                    path_ + QStringLiteral("."));
            }
        }
    }
    if (!result.saved && !failing_) {
        printDiagnostic(
            QStringLiteral("cannot save the history to ") + path_ + QStringLiteral(": ") + error +
            QStringLiteral("; the history is kept in memory and saving will be retried."));
    } else if (result.saved && failing_) {
        printDiagnostic(QStringLiteral("the history is saved again to ") + path_ +
                        QStringLiteral("."));
    }
    failing_ = !result.saved;
    return result;
}

} // namespace quillstack
