#include "store/ClipboardManager.h"

#include "platform/DataLocations.h"
#include "platform/DurableFile.h"
#include "platform/Pasteboard.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillstack {

namespace {

// Used when the store is given no data location: the temporary folder.
class TemporaryFolderOnly : public DataLocations {
public:
    std::optional<QString> applicationSupportDirectory() const override { return std::nullopt; }
    QString temporaryDirectory() const override { return QDir::tempPath(); }
};

bool existsOrDangles(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

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
    storageURL_ = QDir(quillstackFolder(locations)).filePath(QStringLiteral("history.json"));
    load();
}

ClipboardManager::~ClipboardManager() = default;

void ClipboardManager::load() {
    if (!existsOrDangles(storageURL_)) {
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
        keepAsideBeforeWrite_ = true;
        keepUnreadableFileAside();
        return;
    }
    decoded.reset();
    setHistory(std::move(loaded), std::move(encoded));
    if (searchIndexMissing) {
        save();
    }
}

void ClipboardManager::keepUnreadableFileAside() {
    if (!existsOrDangles(storageURL_) || DurableFile::keepAside(storageURL_)) {
        keepAsideBeforeWrite_ = false;
    }
}

bool ClipboardManager::save() {
    return write(history_, encoded_);
}

bool ClipboardManager::write(const QList<ClipboardEntry>& entries, const EncodedList& encoded) {
    if (keepAsideBeforeWrite_) {
        keepUnreadableFileAside();
        if (keepAsideBeforeWrite_) {
            return false;
        }
    }
    return DurableFile::write(storageURL_, [&entries, &encoded](QIODevice& device) {
        return EntryJson::writeHistory(device, entries, encoded);
    });
}

void ClipboardManager::setHistory(QList<ClipboardEntry> newHistory, EncodedList newEncoded) {
    emit historyWillChange(newHistory);
    history_ = std::move(newHistory);
    encoded_ = std::move(newEncoded);
    emit historyChanged();
}

// Every change is written first and applied only once it is on disk, so that a failed write
// leaves both the file and the in-memory history as they were.
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

    if (!write(trimmed, trimmedEncoded)) {
        return;
    }
    setHistory(std::move(withoutSame), std::move(withoutSameEncoded));
    if (trims) {
        setHistory(std::move(inserted), std::move(insertedEncoded));
    }
    setHistory(std::move(trimmed), std::move(trimmedEncoded));
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
    if (!write(remaining, remainingEncoded)) {
        return;
    }
    setHistory(std::move(remaining), std::move(remainingEncoded));
}

void ClipboardManager::deleteAll() {
    if (history_.isEmpty()) {
        return;
    }
    if (!write({}, {})) {
        return;
    }
    setHistory({}, {});
}

} // namespace quillstack
