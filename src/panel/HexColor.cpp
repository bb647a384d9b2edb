#include "panel/HexColor.h"

#include "panel/GraphemePrefix.h"

#include <QTextBoundaryFinder>

#include <cstdint>

namespace quillstack {

namespace {

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

// Reads an unsigned hexadecimal number from the start of the text, after any white space and
// an optional "0x" or "0X"; saturates at the largest value. Nothing when no digit is there.
std::optional<std::uint64_t> scanHex(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    if (text.mid(i).startsWith(u"0x", Qt::CaseInsensitive) && i + 2 < text.size() &&
        hexDigit(text.at(i + 2)) >= 0) {
        i += 2;
    }
    std::uint64_t value = 0;
    bool any = false;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        const int digit = hexDigit(text.at(i));
        if (digit < 0) {
            break;
        }
        any = true;
        if (value > (UINT64_MAX >> 4)) {
            overflow = true;
        }
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    if (!any) {
        return std::nullopt;
    }
    return overflow ? UINT64_MAX : value;
}

// User-perceived characters of a short text.
qsizetype characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

} // namespace

std::optional<QColor> colorFromHex(const QString& hex) {
    QString cleaned = hex.trimmed();
    cleaned.remove(QLatin1Char('#'));
    // Only lengths of six and eight count, so a longer text is never read in full.
    if (GraphemePrefix(cleaned, 8).isCut()) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> value = scanHex(cleaned);
    if (!value) {
        return std::nullopt;
    }
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 255;
    // The length of the whole cleaned string decides, not the number of digits read.
    switch (characterCount(cleaned)) {
    case 8:
        red = static_cast<int>((*value >> 24) & 0xff);
        green = static_cast<int>((*value >> 16) & 0xff);
        blue = static_cast<int>((*value >> 8) & 0xff);
        alpha = static_cast<int>(*value & 0xff);
        break;
    case 6:
        red = static_cast<int>((*value >> 16) & 0xff);
        green = static_cast<int>((*value >> 8) & 0xff);
        blue = static_cast<int>(*value & 0xff);
        break;
    default:
        return std::nullopt;
    }
    return QColor::fromRgb(red, green, blue, alpha);
}

} // namespace quillstack
