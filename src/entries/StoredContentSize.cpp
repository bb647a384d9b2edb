#include "entries/StoredContentSize.h"

namespace quillstack {

namespace {

// Base64's "/" is the sextet 63.
int slashes(unsigned a, unsigned b, unsigned c, int sextets) {
    const unsigned groups[4] = {a >> 2, ((a & 3u) << 4) | (b >> 4), ((b & 15u) << 2) | (c >> 6),
                                c & 63u};
    int count = 0;
    for (int i = 0; i < sextets; ++i) {
        count += groups[i] == 63u ? 1 : 0;
    }
    return count;
}

} // namespace

qint64 StoredContentSize::escapedText(QStringView text, qint64 limit) {
    qint64 size = 2;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20) {
            size += 6; // \u00XX
        } else if (u == u'"' || u == u'\\' || u == u'/') {
            size += 2;
        } else if (u < 0x80) {
            size += 1;
        } else if (u < 0x800) {
            size += 2;
        } else {
            size += 3; // a surrogate pair takes 4 bytes for two units
        }
        if (size > limit) {
            return size;
        }
    }
    return size;
}

qint64 StoredContentSize::escapedBase64(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qint64 size = 2 + (qint64(n) + 2) / 3 * 4;
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3) {
        size += slashes(data[i], data[i + 1], data[i + 2], 4);
    }
    if (n - i == 1) {
        size += slashes(data[i], 0, 0, 2);
    } else if (n - i == 2) {
        size += slashes(data[i], data[i + 1], 0, 3);
    }
    return size;
}

qint64 StoredContentSize::of(const std::optional<QString>& text,
                             const std::optional<QString>& markdown,
                             const std::optional<QString>& html, const QStringList& files,
                             const std::optional<QByteArray>& image, qint64 limit) {
    qint64 size = image ? escapedBase64(*image) : 0;
    for (const std::optional<QString>& field : {text, markdown, html}) {
        if (field && size <= limit) {
            size += escapedText(*field, limit - size);
        }
    }
    for (const QString& path : files) {
        if (size > limit) {
            break;
        }
        size += escapedText(path, limit - size) + 8; // indentation, comma, line feed
    }
    return size;
}

} // namespace quillstack
