#include "entries/ClipboardEntry.h"

#include "entries/ClipboardCapture.h"
#include "entries/ImageNormalizer.h"
#include "entries/PasteboardWriter.h"

#include <QHashFunctions>

namespace quillstack {

ClipboardEntry::ClipboardEntry(QUuid id, QDateTime timestamp, ClipboardKind kind,
                               std::optional<QString> text, std::optional<QString> markdown,
                               std::optional<QString> html, std::optional<QString> colorHex,
                               QStringList filePaths, std::optional<QByteArray> imagePNGData,
                               std::optional<QString> sourceAppBundleID, QString fingerprint,
                               std::optional<QString> searchIndex)
    : id_(id), timestamp_(std::move(timestamp)), kind_(kind), text_(std::move(text)),
      markdown_(std::move(markdown)), html_(std::move(html)), colorHex_(std::move(colorHex)),
      filePaths_(std::move(filePaths)), imagePNGData_(std::move(imagePNGData)),
      sourceAppBundleID_(std::move(sourceAppBundleID)), fingerprint_(std::move(fingerprint)),
      searchIndex_(std::move(searchIndex)) {}

const QString& ClipboardEntry::markdownPBType() {
    static const QString type = QStringLiteral("text/markdown");
    return type;
}

std::optional<QImage> ClipboardEntry::imagePreview() const {
    if (!imagePNGData_) {
        return std::nullopt;
    }
    return ImageNormalizer::decode(*imagePNGData_);
}

void ClipboardEntry::write(Pasteboard& pasteboard) const {
    PasteboardWriter::write(*this, pasteboard);
}

std::optional<ClipboardEntry>
ClipboardEntry::capture(Pasteboard& pasteboard, const std::optional<QString>& sourceAppBundleID) {
    return ClipboardCapture::capture(pasteboard, sourceAppBundleID);
}

namespace {
size_t hashOptional(const std::optional<QString>& value, size_t seed) {
    return value ? ::qHash(*value, seed) : ::qHash(0x5eedu, seed);
}
} // namespace

size_t qHash(const ClipboardEntry& e, size_t seed) noexcept {
    QtPrivate::QHashCombine combine;
    seed = combine(seed, e.id());
    seed = combine(seed, e.timestamp());
    seed = combine(seed, static_cast<int>(e.kind()));
    seed = hashOptional(e.text(), seed);
    seed = hashOptional(e.markdown(), seed);
    seed = hashOptional(e.html(), seed);
    seed = hashOptional(e.colorHex(), seed);
    seed = combine(seed, e.filePaths());
    seed = e.imagePNGData() ? combine(seed, *e.imagePNGData()) : ::qHash(0x1u, seed);
    seed = hashOptional(e.sourceAppBundleID(), seed);
    seed = combine(seed, e.fingerprint());
    seed = hashOptional(e.searchIndex(), seed);
    return seed;
}

// title(), subtitle(), isVideoFile(), primaryFilePath(), searchableLowercased() and
// withBackfilledSearchIndex() follow below.

} // namespace quillstack
