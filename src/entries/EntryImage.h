#pragma once

#include "entries/HistoryBytes.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace quillstack {

// The PNG bytes of an entry, as an immutable shared value. A captured image holds its bytes. An
// image loaded from history.json holds only where its checked, escaped Base64 text stands in the
// file: the bytes are decoded when first asked for and then kept, and saving an untouched image
// copies that text back unchanged. Copies share one state; decoding is safe from any thread.
class EntryImage {
public:
    // Implicit, so that a record can still be made from PNG bytes.
    EntryImage(QByteArray png); // NOLINT(google-explicit-constructor)

    // An image stored as the canonical escaped Base64 text [offset, offset + length) of source,
    // already checked to decode to decodedSize bytes.
    static EntryImage stored(std::shared_ptr<const HistoryBytes> source, qint64 offset,
                             qsizetype length, qsizetype decodedSize);

    // The PNG bytes, decoded on first use and kept; nothing when the stored text can no longer
    // be read (its file was shortened by someone else).
    const std::optional<QByteArray>& bytes() const;

    // The PNG bytes without keeping a decoded copy afterwards (a preview wants them once).
    std::optional<QByteArray> transientBytes() const;

    // The first byteCount bytes (fewer when the image is shorter): decodes only those.
    QByteArray leadingBytes(qsizetype byteCount) const;

    qsizetype size() const;

    // Where the escaped text of a stored image stands, for writing it back unchanged.
    struct StoredText {
        const HistoryBytes* source;
        qint64 offset;
        qsizetype length;
        qsizetype decodedSize;
    };
    std::optional<StoredText> storedText() const;

    // Equal when the bytes are equal.
    bool operator==(const EntryImage& other) const;

private:
    struct State;
    explicit EntryImage(std::shared_ptr<const State> state);

    std::shared_ptr<const State> state_;
};

} // namespace quillstack
