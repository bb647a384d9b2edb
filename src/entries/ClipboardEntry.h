#pragma once

#include "entries/ClipboardKind.h"
#include "entries/EntryImage.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace quillstack {

class Pasteboard;

// One captured clipboard content: an immutable value holding every representation kept of it,
// its kind, its source, its content fingerprint and its search text. A changed record is a new
// value; equality and hashing cover all twelve fields.
class ClipboardEntry {
public:
    ClipboardEntry(QUuid id, QDateTime timestamp, ClipboardKind kind, std::optional<QString> text,
                   std::optional<QString> markdown, std::optional<QString> html,
                   std::optional<QString> colorHex, QStringList filePaths,
                   std::optional<EntryImage> imagePNGData, std::optional<QString> sourceAppBundleID,
                   QString fingerprint, std::optional<QString> searchIndex);

    const QUuid& id() const { return id_; }
    const QDateTime& timestamp() const { return timestamp_; }
    ClipboardKind kind() const { return kind_; }
    const std::optional<QString>& text() const { return text_; }
    const std::optional<QString>& markdown() const { return markdown_; }
    const std::optional<QString>& html() const { return html_; }
    const std::optional<QString>& colorHex() const { return colorHex_; }
    const QStringList& filePaths() const { return filePaths_; }
    // The PNG bytes; an image loaded from the history file is decoded here on first use.
    const std::optional<QByteArray>& imagePNGData() const;
    // The image as kept: its size and first bytes are known without decoding it all.
    const std::optional<EntryImage>& image() const { return image_; }
    const std::optional<QString>& sourceAppBundleID() const { return sourceAppBundleID_; }
    const QString& fingerprint() const { return fingerprint_; }
    const std::optional<QString>& searchIndex() const { return searchIndex_; }

    bool operator==(const ClipboardEntry&) const = default;

    // The clipboard type under which Markdown text travels.
    static const QString& markdownPBType();

    // Display texts and the panel's search text.
    QString title() const;
    QString subtitle() const;
    bool isVideoFile() const;
    std::optional<QString> primaryFilePath() const;
    QString searchableLowercased() const;

    // This record with its search index guaranteed present (computed when absent).
    ClipboardEntry withBackfilledSearchIndex() const;

    // The stored PNG decoded, or nothing when there is none or it does not decode.
    std::optional<QImage> imagePreview() const;

    // Puts this record back on the pasteboard in the representations it holds.
    void write(Pasteboard& pasteboard) const;

    // Makes a record of the pasteboard's current contents; nothing when it has no items.
    static std::optional<ClipboardEntry> capture(Pasteboard& pasteboard,
                                                 const std::optional<QString>& sourceAppBundleID);

private:
    QUuid id_;
    QDateTime timestamp_;
    ClipboardKind kind_;
    std::optional<QString> text_;
    std::optional<QString> markdown_;
    std::optional<QString> html_;
    std::optional<QString> colorHex_;
    QStringList filePaths_;
    std::optional<EntryImage> image_;
    std::optional<QString> sourceAppBundleID_;
    QString fingerprint_;
    std::optional<QString> searchIndex_;
};

size_t qHash(const ClipboardEntry& entry, size_t seed = 0) noexcept;

} // namespace quillstack

template <> struct std::hash<quillstack::ClipboardEntry> {
    size_t operator()(const quillstack::ClipboardEntry& entry) const noexcept {
        return quillstack::qHash(entry);
    }
};
