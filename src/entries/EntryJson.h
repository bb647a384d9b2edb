#pragma once

#include "entries/ClipboardEntry.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>

#include <optional>

namespace quillstack {

// The JSON form of entries and of history.json: members in the record's field order, absent
// optionals omitted, pretty-printed with two-space indentation, every "/" written as "\/",
// whole-second UTC timestamps ending in "Z", upper-case UUIDs and padded standard Base64.
// Decoding is strict: one malformed record fails the whole file, including a malformed value of
// an unknown member.
class EntryJson {
public:
    // Arrays and objects inside a record nest at most this deep, the record counting as the
    // first level; a deeper value (in an unknown member) fails the record, and with it the
    // file. Unknown values are checked by recursion, which this keeps to a small stack.
    static constexpr int maxNesting = 64;

    // One record as it stands inside the history array, with the image's Base64 left out:
    // the file holds head, the escaped Base64 of imagePNGData (when present), then tail.
    // An entry never changes, so this can be made once and kept for every later save.
    struct EncodedEntry {
        QByteArray head;
        QByteArray tail;
    };

    // Nothing when the record cannot be written faithfully (a timestamp that is invalid or
    // outside the years 1 to 9999).
    static std::optional<EncodedEntry> encodeForHistory(const ClipboardEntry& entry);

    // Writes the history array from the entries and their encoded forms (same length, same
    // order). Returns false when the device fails or the lists do not match. With unreadable
    // given, an entry whose loaded image can no longer be read from its file is left out and its
    // index appended there, instead of failing the write.
    static bool writeHistory(QIODevice& device, const QList<ClipboardEntry>& entries,
                             const QList<EncodedEntry>& encoded,
                             QList<qsizetype>* unreadable = nullptr);

    // The complete text of one record as a top-level object, and of a whole history file.
    static std::optional<QByteArray> encode(const ClipboardEntry& entry);
    static std::optional<QByteArray> encodeHistory(const QList<ClipboardEntry>& entries);

    // Strict decoding of one record object, and of a whole history file (a JSON array of
    // records, in file order). Search indexes are not filled in here.
    static std::optional<ClipboardEntry> decode(QByteArray objectText);
    static std::optional<QList<ClipboardEntry>> decodeHistory(QByteArray fileBytes);

    // Strict decoding of the history file at path, whatever its size; nothing when it cannot be
    // read (not a regular file) or decoded. Images are checked but not decoded: they
    // keep the file open and are read from it when first used.
    static std::optional<QList<ClipboardEntry>> readHistoryFile(const QString& path);
};

} // namespace quillstack
