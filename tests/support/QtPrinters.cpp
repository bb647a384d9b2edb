#include "support/QtPrinters.h"

#include <algorithm>

namespace {

constexpr qsizetype shownLength = 300;

// Quotes and backslashes escaped, control bytes as \xNN; bytes from 0x80 up are kept as they
// are for UTF-8 text and escaped for raw bytes.
void printQuoted(const QByteArray& bytes, bool utf8, std::ostream* out) {
    static const char digits[] = "0123456789abcdef";
    *out << '"';
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            *out << '\\' << c;
        } else if (c == '\n') {
            *out << "\\n";
        } else if ((byte >= 0x20 && byte < 0x7f) || (utf8 && byte >= 0x80)) {
            *out << c;
        } else {
            *out << "\\x" << digits[byte >> 4] << digits[byte & 0xf];
        }
    }
    *out << '"';
}

} // namespace

void PrintTo(const QString& text, std::ostream* out) {
    printQuoted(text.left(shownLength).toUtf8(), true, out);
    if (text.size() > shownLength) {
        *out << "... (" << text.size() << " characters)";
    }
}

void PrintTo(const QByteArray& bytes, std::ostream* out) {
    printQuoted(bytes.first(std::min(bytes.size(), shownLength)), false, out);
    if (bytes.size() > shownLength) {
        *out << "... (" << bytes.size() << " bytes)";
    }
}

void PrintTo(const QUuid& uuid, std::ostream* out) {
    *out << uuid.toString(QUuid::WithoutBraces).toStdString();
}
