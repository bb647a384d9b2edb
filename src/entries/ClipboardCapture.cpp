#include "entries/ClipboardCapture.h"

#include "entries/EntryFingerprint.h"
#include "entries/ImageNormalizer.h"
#include "entries/SearchIndex.h"
#include "entries/StoredContentSize.h"
#include "platform/Diagnostics.h"
#include "platform/Pasteboard.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <array>
#include <string_view>

namespace quillstack {

namespace {

// Counts the non-empty lines, up to `limit`. A line feed right after a carriage return belongs
// to one CR LF character and does not split.
int countLines(QStringView text, int limit) {
    int lines = 0;
    bool pieceHasContent = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' && (i == 0 || text[i - 1] != u'\r')) {
            if (pieceHasContent && ++lines >= limit) {
                return lines;
            }
            pieceHasContent = false;
        } else {
            pieceHasContent = true;
        }
    }
    return pieceHasContent ? lines + 1 : lines;
}

// The character as the markers compare it: ASCII letters lower-cased, and the two non-ASCII
// letters whose case folding is an ASCII letter (long s, Kelvin sign) folded.
char16_t folded(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z') {
        return char16_t(u - u'A' + u'a');
    }
    if (u == 0x017F) {
        return u's';
    }
    if (u == 0x212A) {
        return u'k';
    }
    return u;
}

// The sixteen markers, lower-cased; the eleven words end in one space.
constexpr std::array<std::u16string_view, 16> markers{
    u"{",    u"}",    u";",      u"func ", u"class ", u"struct ", u"enum ", u"import ",
    u"let ", u"var ", u"const ", u"=>",    u"</",     u"select ", u"def ",  u"return "};

bool markerAt(QStringView text, qsizetype at, std::u16string_view marker) {
    if (text.size() - at < qsizetype(marker.size())) {
        return false;
    }
    for (std::size_t k = 1; k < marker.size(); ++k) {
        if (folded(text[at + qsizetype(k)]) != marker[k]) {
            return false;
        }
    }
    return true;
}

// For each ASCII character, the markers that start with it (one bit per marker).
constexpr std::array<quint16, 128> markersByFirstCharacter = [] {
    std::array<quint16, 128> table{};
    for (std::size_t m = 0; m < markers.size(); ++m) {
        table[markers[m][0]] |= quint16(1u << m);
    }
    return table;
}();

// Counts the markers the text contains, each once, comparing without regard to case; stops at
// `limit`. One pass over the text, however many markers there are.
int countMarkers(QStringView text, int limit) {
    quint16 pending = quint16((1u << markers.size()) - 1);
    int found = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t first = folded(text[at]);
        if (first >= markersByFirstCharacter.size()) {
            continue;
        }
        quint16 candidates = markersByFirstCharacter[first] & pending;
        while (candidates != 0) {
            const int m = qCountTrailingZeroBits(candidates);
            candidates &= quint16(candidates - 1);
            if (markerAt(text, at, markers[std::size_t(m)])) {
                pending &= quint16(~(1u << m));
                if (++found >= limit) {
                    return found;
                }
            }
        }
    }
    return found;
}

} // namespace

std::optional<ClipboardEntry>
ClipboardCapture::capture(Pasteboard& pasteboard, const std::optional<QString>& sourceAppBundleID,
                          qint64 maxBytes) {
    const QList<PasteboardItem> items = pasteboard.pasteboardItems();
    if (items.isEmpty()) {
        return std::nullopt;
    }
    const QStringList files = extractFiles(items);
    const std::optional<QByteArray> image = captureImage(pasteboard);
    const std::optional<QString> markdown = pasteboard.string(ClipboardEntry::markdownPBType());
    const std::optional<QString> html = pasteboard.string(Pasteboard::htmlType());
    std::optional<QString> text = pasteboard.string(Pasteboard::stringType());
    if (!text) {
        text = pasteboard.string(Pasteboard::urlType());
    }
    if (StoredContentSize::of(text, markdown, html, files, image, maxBytes) > maxBytes) {
        printDiagnostic(QStringLiteral("a copy larger than ") +
                        QLocale::c().formattedDataSize(maxBytes) +
                        QStringLiteral(" was not recorded."));
        return std::nullopt;
    }
    const std::optional<QString> colorHex = detectHex(text       ? *text
                                                      : markdown ? *markdown
                                                                 : QString());
    const ClipboardKind kind = classify(colorHex, files, image.has_value(), markdown, html, text);

    QString fingerprint =
        EntryFingerprint::compute(kind, text, markdown, html, colorHex, files, image);
    QString searchIndex =
        SearchIndex::compute(kind, text, markdown, html, colorHex, files, sourceAppBundleID);
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind, text,
                          markdown, html, colorHex, files, image, sourceAppBundleID,
                          std::move(fingerprint), std::move(searchIndex));
}

std::optional<QByteArray> ClipboardCapture::captureImage(Pasteboard& pasteboard) {
    if (auto png = pasteboard.data(Pasteboard::pngType()); png && !png->isEmpty()) {
        return png;
    }
    if (const auto tiff = pasteboard.data(Pasteboard::tiffType())) {
        if (const auto decoded = ImageNormalizer::decode(*tiff)) {
            return ImageNormalizer::pngData(*decoded, maxImageDimension);
        }
    }
    if (const auto other = pasteboard.imageData()) {
        if (const auto decoded = ImageNormalizer::decode(*other)) {
            return ImageNormalizer::pngData(*decoded, maxImageDimension);
        }
    }
    return std::nullopt;
}

ClipboardKind ClipboardCapture::classify(const std::optional<QString>& colorHex,
                                         const QStringList& files, bool hasImage,
                                         const std::optional<QString>& markdown,
                                         const std::optional<QString>& html,
                                         const std::optional<QString>& text) {
    if (colorHex) {
        return ClipboardKind::color;
    }
    if (!files.isEmpty()) {
        return ClipboardKind::file;
    }
    if (hasImage) {
        return ClipboardKind::image;
    }
    if (markdown && !markdown->isEmpty()) {
        return ClipboardKind::markdown;
    }
    if (html && !html->isEmpty()) {
        return ClipboardKind::html;
    }
    if (text && !text->isEmpty()) {
        return isLikelyCode(*text) ? ClipboardKind::code : ClipboardKind::text;
    }
    return ClipboardKind::unknown;
}

QStringList ClipboardCapture::extractFiles(const QList<PasteboardItem>& items) {
    QStringList paths;
    QSet<QString> seen;
    for (const PasteboardItem& item : items) {
        for (const QString& type : {Pasteboard::fileURLType(), Pasteboard::urlType()}) {
            const std::optional<QString> string = item.string(type);
            if (!string) {
                continue;
            }
            const QUrl url(*string, QUrl::TolerantMode);
            if (!url.isValid() || !url.isLocalFile()) {
                continue;
            }
            const QString path = url.path(QUrl::FullyDecoded);
            // A relative path (file:name) names no file we could find again.
            if (!path.startsWith(QLatin1Char('/'))) {
                continue;
            }
            const QString key = path.normalized(QString::NormalizationForm_C);
            if (!seen.contains(key)) {
                seen.insert(key);
                paths.append(path);
            }
        }
    }
    return paths;
}

std::optional<QString> ClipboardCapture::detectHex(const QString& string) {
    // The longest colour is "#" and 8 digits; find the trimmed span without copying the text.
    qsizetype begin = 0;
    qsizetype end = string.size();
    while (begin < end && string.at(begin).isSpace()) {
        ++begin;
    }
    while (end > begin && string.at(end - 1).isSpace()) {
        --end;
    }
    if (end == begin || end - begin > 9) {
        return std::nullopt;
    }
    static const QRegularExpression pattern(
        QStringLiteral("^#?([0-9a-f]{3}|[0-9a-f]{6}|[0-9a-f]{8})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(string.mid(begin, end - begin));
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    QString digits = match.captured(1).toUpper();
    if (digits.size() == 3) {
        QString doubled;
        for (const QChar digit : digits) {
            doubled += digit;
            doubled += digit;
        }
        digits = doubled;
    }
    return QLatin1Char('#') + digits;
}

bool ClipboardCapture::isLikelyCode(const QString& text) {
    const int found = countMarkers(text, 2);
    if (found >= 2) {
        return true;
    }
    return found == 1 && countLines(text, 2) >= 2;
}

} // namespace quillstack
