#pragma once

#include "entries/ClipboardEntry.h"
#include "platform/PasteboardItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillstack {

class Pasteboard;

// Turns the clipboard's current contents into an entry: every representation kept is read,
// a colour value is detected, file paths are collected, an image is normalised to PNG, the
// kind is decided and the fingerprint and search text are filled in.
class ClipboardCapture {
public:
    // Images not offered as PNG are re-encoded with their longest side limited to this.
    static constexpr int maxImageDimension = 1800;

    // A content whose text, Markdown, HTML, paths and image would take more than this in
    // history.json (StoredContentSize) is not recorded, so that every record the store writes
    // stays far within what its reader takes (simdjson parses a record of up to 4 GiB).
    static constexpr qint64 maxStoredBytes = qint64(256) * 1024 * 1024;

    // Nothing when the clipboard has no items, or (with one line on standard error) when its
    // content is over maxStoredBytes; otherwise a record, maybe `unknown`.
    static std::optional<ClipboardEntry> capture(Pasteboard& pasteboard,
                                                 const std::optional<QString>& sourceAppBundleID,
                                                 qint64 maxBytes = maxStoredBytes);

    // The absolute local paths of the items' file URLs (each item's file-URL string, then its
    // URL string), in first-seen order, without duplicates (canonically equivalent Unicode
    // forms count as equal).
    static QStringList extractFiles(const QList<PasteboardItem>& items);

    // "#RRGGBB" or "#RRGGBBAA" (upper case) when the trimmed text is a 3-, 6- or 8-digit
    // hexadecimal colour with an optional "#"; 3 digits are doubled.
    static std::optional<QString> detectHex(const QString& string);

    // At least two of the code markers, or one marker in a text of two or more non-empty lines.
    static bool isLikelyCode(const QString& text);

    // The first rule of the classification table that holds.
    static ClipboardKind classify(const std::optional<QString>& colorHex, const QStringList& files,
                                  bool hasImage, const std::optional<QString>& markdown,
                                  const std::optional<QString>& html,
                                  const std::optional<QString>& text);

    // The image as stored: PNG bytes as offered, else a TIFF or other image normalised to PNG.
    static std::optional<QByteArray> captureImage(Pasteboard& pasteboard);
};

} // namespace quillstack
