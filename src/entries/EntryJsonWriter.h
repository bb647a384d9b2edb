#pragma once

#include "entries/ClipboardEntry.h"
#include "entries/EntryJson.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>

#include <optional>

namespace quillstack {

// Writes records and history files in the form EntryJson describes. A record is pretty-printed
// once, with an empty placeholder for the image, and split around it; the image's Base64 is
// streamed between the two halves when the file is written.
class EntryJsonWriter {
public:
    // The record indented by `depth` levels of two spaces, split at the image placeholder;
    // nothing for a timestamp that is invalid or outside the years 1 to 9999.
    static std::optional<EntryJson::EncodedEntry> encodeRecord(const ClipboardEntry& entry,
                                                               int depth);

    // With unreadable given, an entry whose loaded image can no longer be read (its file was
    // shortened by another program) is left out of the file and its index appended there;
    // without it, such an entry fails the whole write.
    static bool writeHistory(QIODevice& device, const QList<ClipboardEntry>& entries,
                             const QList<EntryJson::EncodedEntry>& encoded,
                             QList<qsizetype>* unreadable = nullptr);

    static std::optional<QByteArray> encode(const ClipboardEntry& entry);
    static std::optional<QByteArray> encodeHistory(const QList<ClipboardEntry>& entries);
};

} // namespace quillstack
