#include "entries/EntryJson.h"

#include "entries/EntryJsonReader.h"
#include "entries/EntryJsonWriter.h"
#include "entries/HistoryBytes.h"

namespace quillstack {

// Records inside the history array are indented one level; a record on its own, none.

std::optional<EntryJson::EncodedEntry> EntryJson::encodeForHistory(const ClipboardEntry& entry) {
    return EntryJsonWriter::encodeRecord(entry, 1);
}

bool EntryJson::writeHistory(QIODevice& device, const QList<ClipboardEntry>& entries,
                             const QList<EncodedEntry>& encoded, QList<qsizetype>* unreadable) {
    return EntryJsonWriter::writeHistory(device, entries, encoded, unreadable);
}

std::optional<QByteArray> EntryJson::encode(const ClipboardEntry& entry) {
    return EntryJsonWriter::encode(entry);
}

std::optional<QByteArray> EntryJson::encodeHistory(const QList<ClipboardEntry>& entries) {
    return EntryJsonWriter::encodeHistory(entries);
}

std::optional<ClipboardEntry> EntryJson::decode(QByteArray objectText) {
    return EntryJsonReader::readRecord(HistoryBytes::fromMemory(std::move(objectText)));
}

std::optional<QList<ClipboardEntry>> EntryJson::decodeHistory(QByteArray fileBytes) {
    return EntryJsonReader::readHistory(HistoryBytes::fromMemory(std::move(fileBytes)));
}

std::optional<QList<ClipboardEntry>> EntryJson::readHistoryFile(const QString& path) {
    return EntryJsonReader::readHistory(HistoryBytes::openFile(path));
}

} // namespace quillstack
