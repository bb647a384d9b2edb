#include "entries/ClipboardEntry.h"

#include "entries/ClipboardCapture.h"
#include "entries/ImageNormalizer.h"
#include "entries/PasteboardWriter.h"

#include "entries/EntryText.h"
#include "entries/SearchIndex.h"

#include <QBuffer>
#include <QHashFunctions>
#include <QImageReader>
#include <QMimeDatabase>

namespace quillstack {

ClipboardEntry::ClipboardEntry(QUuid id, QDateTime timestamp, ClipboardKind kind,
                               std::optional<QString> text, std::optional<QString> markdown,
                               std::optional<QString> html, std::optional<QString> colorHex,
                               QStringList filePaths, std::optional<EntryImage> imagePNGData,
                               std::optional<QString> sourceAppBundleID, QString fingerprint,
                               std::optional<QString> searchIndex)
    : id_(id), timestamp_(std::move(timestamp)), kind_(kind), text_(std::move(text)),
      markdown_(std::move(markdown)), html_(std::move(html)), colorHex_(std::move(colorHex)),
      filePaths_(std::move(filePaths)), image_(std::move(imagePNGData)),
      sourceAppBundleID_(std::move(sourceAppBundleID)), fingerprint_(std::move(fingerprint)),
      searchIndex_(std::move(searchIndex)) {}

const QString& ClipboardEntry::markdownPBType() {
    static const QString type = QStringLiteral("text/markdown");
    return type;
}

const std::optional<QByteArray>& ClipboardEntry::imagePNGData() const {
    static const std::optional<QByteArray> none;
    return image_ ? image_->bytes() : none;
}

std::optional<QImage> ClipboardEntry::imagePreview() const {
    if (!image_) {
        return std::nullopt;
    }
    // Decoded for this preview only: a history of images need not stay in memory as bytes.
    const std::optional<QByteArray> png = image_->transientBytes();
    if (!png) {
        return std::nullopt;
    }
    return ImageNormalizer::decode(*png);
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

namespace {

// The text after the last "/" of the path, ignoring trailing slashes ("/" stays "/").
QString lastPathComponent(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/')) {
        --end;
    }
    const QStringView trimmed = QStringView(path).first(end);
    if (trimmed == u"/") {
        return trimmed.toString();
    }
    return trimmed.sliced(trimmed.lastIndexOf(QLatin1Char('/')) + 1).toString();
}

// The text after the last "." of the last component; empty for none or for a name that only
// starts with a dot.
QString pathExtension(const QString& path) {
    const QString name = lastPathComponent(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.sliced(dot + 1) : QString();
}

bool isVideoType(const QMimeType& type) {
    if (type.name().startsWith(QLatin1String("video/"))) {
        return true;
    }
    const QStringList ancestors = type.allAncestors();
    return std::any_of(ancestors.begin(), ancestors.end(), [](const QString& name) {
        return name.startsWith(QLatin1String("video/"));
    });
}

QSize pngSize(const QByteArray& png) {
    QByteArray bytes = png; // shared, not copied
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer, "png").size();
}

// The size is in the chunks before the image data, so only the image's first bytes are decoded
// (all of them when those chunks are unusually long).
QString imageSizeText(const std::optional<EntryImage>& image) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n");
    constexpr qsizetype headerBytes = 64 * 1024;
    if (!image) {
        return QStringLiteral("Image");
    }
    const QByteArray start = image->leadingBytes(headerBytes);
    if (!start.startsWith(signature)) {
        return QStringLiteral("Image");
    }
    QSize size = pngSize(start);
    if (!size.isValid() && image->size() > start.size()) {
        size = pngSize(image->transientBytes().value_or(QByteArray()));
    }
    if (!size.isValid() || size.isEmpty()) {
        return QStringLiteral("Image");
    }
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

QStringView viewOf(const std::optional<QString>& value) {
    return value ? QStringView(*value) : QStringView();
}

} // namespace

QString ClipboardEntry::title() const {
    switch (kind_) {
    case ClipboardKind::text:
        return QStringLiteral("Text");
    case ClipboardKind::code:
        return QStringLiteral("Code");
    case ClipboardKind::markdown:
        return QStringLiteral("Markdown");
    case ClipboardKind::html:
        return QStringLiteral("HTML");
    case ClipboardKind::image:
        return QStringLiteral("Image");
    case ClipboardKind::file:
        if (isVideoFile()) {
            return QStringLiteral("Video File");
        }
        return filePaths_.size() < 2 ? QStringLiteral("File") : QStringLiteral("Files");
    case ClipboardKind::color:
        return QStringLiteral("Color");
    case ClipboardKind::unknown:
        return QStringLiteral("Unknown");
    }
    return QStringLiteral("Unknown");
}

QString ClipboardEntry::subtitle() const {
    switch (kind_) {
    case ClipboardKind::text:
    case ClipboardKind::code:
        return EntryText::condensedWhitespace(viewOf(text_));
    case ClipboardKind::markdown:
        return EntryText::condensedWhitespace(markdown_ ? viewOf(markdown_) : viewOf(text_));
    case ClipboardKind::html:
        if (html_) {
            if (const std::optional<QString> plain = EntryText::htmlToPlainText(*html_)) {
                return EntryText::condensedWhitespace(*plain);
            }
        }
        return EntryText::condensedWhitespace(viewOf(text_));
    case ClipboardKind::image:
        return imageSizeText(image_);
    case ClipboardKind::file: {
        if (filePaths_.isEmpty()) {
            return QStringLiteral("File");
        }
        QString subtitle = lastPathComponent(filePaths_.first());
        if (filePaths_.size() >= 2) {
            subtitle += QStringLiteral(" +%1 more").arg(filePaths_.size() - 1);
        }
        return subtitle;
    }
    case ClipboardKind::color:
        return colorHex_.value_or(QStringLiteral("Color"));
    case ClipboardKind::unknown:
        return QStringLiteral("Unsupported clipboard type");
    }
    return {};
}

bool ClipboardEntry::isVideoFile() const {
    if (filePaths_.isEmpty()) {
        return false;
    }
    const QString extension = pathExtension(filePaths_.first());
    if (extension.isEmpty()) {
        return false;
    }
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QStringLiteral("file.") + extension,
                                                    QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() && isVideoType(type);
}

std::optional<QString> ClipboardEntry::primaryFilePath() const {
    if (filePaths_.isEmpty()) {
        return std::nullopt;
    }
    return filePaths_.first();
}

QString ClipboardEntry::searchableLowercased() const {
    if (searchIndex_ && !searchIndex_->isEmpty()) {
        return *searchIndex_;
    }
    const QString titleText = title();
    const QString paths = filePaths_.join(QLatin1Char(' '));
    const QList<QStringView> parts{
        titleText,         viewOf(text_), viewOf(markdown_),         viewOf(html_),
        viewOf(colorHex_), paths,         viewOf(sourceAppBundleID_)};
    return SearchIndex::leadingCharacters(parts, SearchIndex::maxCharacters).text.toLower();
}

ClipboardEntry ClipboardEntry::withBackfilledSearchIndex() const {
    if (searchIndex_) {
        return *this;
    }
    ClipboardEntry filled = *this;
    filled.searchIndex_ = SearchIndex::compute(kind_, text_, markdown_, html_, colorHex_,
                                               filePaths_, sourceAppBundleID_);
    return filled;
}

} // namespace quillstack
