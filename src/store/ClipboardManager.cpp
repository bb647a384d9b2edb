#include "store/ClipboardManager.h"

#include "platform/DataLocations.h"
#include "platform/DurableFile.h"
#include "platform/Pasteboard.h"
#include "store/HistorySaver.h"

#include <QDir>

#include <algorithm>

namespace quillstack {

namespace {

// Used when the store is given no data location: the temporary folder.
class TemporaryFolderOnly : public DataLocations {
public:
    std::optional<QString> applicationSupportDirectory() const override { return std::nullopt; }
    QString temporaryDirectory() const override { return QDir::tempPath(); }
};

// The temporary files an interrupted write of the data folder's files leaves behind.
const QStringList dataFiles{QStringLiteral("history.json"), QStringLiteral("settings.json")};

} // namespace

ClipboardManager::ClipboardManager(Services services, QObject* parent)
    : QObject(parent), services_(services),
      monitor_(services_.pasteboard, services_.workspace,
               [this](ClipboardEntry entry) { insert(std::move(entry)); }),
      delivery_({services_.pasteboard, services_.workspace, services_.trust, services_.keystrokes,
                 services_.fallback},
                monitor_) {
    const TemporaryFolderOnly fallback;
    const DataLocations& locations =
        services_.locations ? *services_.locations : static_cast<const DataLocations&>(fallback);
    const QString folder = quillstackFolder(locations);
    storageURL_ = QDir(folder).filePath(QStringLiteral("history.json"));
    // Nothing writes in the folder yet: whatever temporary file is there was left by a process
    // that ended during a write.
    DurableFile::removeLeftovers(folder, dataFiles);
    saver_ = std::make_unique<HistorySaver>(storageURL_);
    connect(saver_.get(), &HistorySaver::finished, this, &ClipboardManager::saveFinished);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, [this] {
        if (saver_->isFailing()) {
            ++retriesFailed_;
            save();
        }
    });
    load();
}

// The saver finishes the last write before the history it may still hold goes away.
ClipboardManager::~ClipboardManager() = default;

void ClipboardManager::finishSaving() {
    saver_->waitUntilIdle();
}

bool ClipboardManager::isSaveFailing() const {
    return saver_->isFailing();
}

void ClipboardManager::setSaveRetryInterval(std::chrono::milliseconds interval) {
    retryInterval_ = interval;
}

void ClipboardManager::load() {
    if (!DurableFile::existsOrDangles(storageURL_)) {
        return;
    }
    std::optional<QList<ClipboardEntry>> decoded = EntryJson::readHistoryFile(storageURL_);
    QList<ClipboardEntry> loaded;
    EncodedList encoded;
    bool searchIndexMissing = false;
    if (decoded) {
        loaded.reserve(decoded->size());
        encoded.reserve(decoded->size());
        for (const ClipboardEntry& entry : std::as_const(*decoded)) {
            searchIndexMissing = searchIndexMissing || !entry.searchIndex();
            loaded.append(entry.withBackfilledSearchIndex());
            std::optional<EntryJson::EncodedEntry> one = EntryJson::encodeForHistory(loaded.last());
            if (!one) {
                decoded.reset();
                break;
            }
            encoded.append(std::move(*one));
        }
    }
    if (!decoded) {
        // The history starts empty, but the user's bytes are kept beside the new file.
        saver_->keepUnreadableFileAside();
        return;
    }
    decoded.reset();
    setHistory(std::move(loaded), std::move(encoded));
    if (searchIndexMissing) {
        save();
    }
}

void ClipboardManager::save() {
    retry_.stop();
    saver_->save({history_, encoded_, generation_});
}

void ClipboardManager::saveFinished(quint64 generation, bool saved,
                                    const QList<QUuid>& unreadable) {
    if (!saved) {
        // A later change saves sooner; otherwise the timer tries again, later each time.
        if (generation == generation_) {
            const auto doubled = retryInterval_ * (qint64(1) << std::min(retriesFailed_, 10));
            retry_.start(std::min<std::chrono::milliseconds>(
                doubled, std::max(retryInterval_, maxSaveRetryInterval)));
        }
        return;
    }
    retriesFailed_ = 0;
    if (unreadable.isEmpty()) {
        return;
    }
    // Those entries' images are gone from the old file: the saved file left them out, and so
    // does the history now (every later save leaves them out too).
    QList<ClipboardEntry> kept;
    EncodedList keptEncoded;
    for (qsizetype i = 0; i < history_.size(); ++i) {
        if (!unreadable.contains(history_[i].id())) {
            kept.append(history_[i]);
            keptEncoded.append(encoded_[i]);
        }
    }
    if (kept.size() != history_.size()) {
        setHistory(std::move(kept), std::move(keptEncoded));
    }
}

void ClipboardManager::setHistory(QList<ClipboardEntry> newHistory, EncodedList newEncoded) {
    emit historyWillChange(newHistory);
    history_ = std::move(newHistory);
    encoded_ = std::move(newEncoded);
    ++generation_;
    emit historyChanged();
}

void ClipboardManager::insert(ClipboardEntry entry) {
    if (!history_.isEmpty() && history_.first().fingerprint() == entry.fingerprint()) {
        return;
    }
    std::optional<EntryJson::EncodedEntry> encodedEntry = EntryJson::encodeForHistory(entry);
    if (!encodedEntry) {
        return;
    }
    QList<ClipboardEntry> withoutSame;
    EncodedList withoutSameEncoded;
    withoutSame.reserve(history_.size() + 1);
    withoutSameEncoded.reserve(history_.size() + 1);
    for (qsizetype i = 0; i < history_.size(); ++i) {
        if (history_[i].fingerprint() != entry.fingerprint()) {
            withoutSame.append(history_[i]);
            withoutSameEncoded.append(encoded_[i]);
        }
    }
    QList<ClipboardEntry> inserted = withoutSame;
    EncodedList insertedEncoded = withoutSameEncoded;
    inserted.prepend(std::move(entry));
    insertedEncoded.prepend(std::move(*encodedEntry));
    const bool trims = inserted.size() > maxEntries;
    QList<ClipboardEntry> trimmed = trims ? inserted.first(maxEntries) : inserted;
    EncodedList trimmedEncoded = trims ? insertedEncoded.first(maxEntries) : insertedEncoded;

    setHistory(std::move(withoutSame), std::move(withoutSameEncoded));
    if (trims) {
        setHistory(std::move(inserted), std::move(insertedEncoded));
    }
    setHistory(std::move(trimmed), std::move(trimmedEncoded));
    save();
}

void ClipboardManager::deleteEntry(const QUuid& id) {
    const auto found =
        std::find_if(history_.cbegin(), history_.cend(),
                     [&id](const ClipboardEntry& entry) { return entry.id() == id; });
    if (found == history_.cend()) {
        return;
    }
    const qsizetype index = found - history_.cbegin();
    QList<ClipboardEntry> remaining = history_;
    EncodedList remainingEncoded = encoded_;
    remaining.removeAt(index);
    remainingEncoded.removeAt(index);
    setHistory(std::move(remaining), std::move(remainingEncoded));
    save();
}

void ClipboardManager::deleteAll() {
    if (history_.isEmpty()) {
        return;
    }
    setHistory({}, {});
    saver_->removeLeftoversBeforeNextWrite();
    save();
}

} // namespace quillstack
