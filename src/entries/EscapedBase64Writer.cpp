#include "entries/EscapedBase64Writer.h"

#include "entries/EscapedBase64.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace quillstack {

namespace {

// Each 12 bits of input map through a table to their two characters, already escaped: four
// output bytes are stored and the output advances by the entry's length (2 to 4).
struct EscapedPairs {
    std::array<quint32, 4096> chars{};
    std::array<quint8, 4096> length{};
    EscapedPairs() {
        for (unsigned v = 0; v < 4096; ++v) {
            char out[4] = {};
            int n = 0;
            for (char c : {EscapedBase64::alphabet[v >> 6], EscapedBase64::alphabet[v & 63]}) {
                if (c == '/') {
                    out[n++] = '\\';
                }
                out[n++] = c;
            }
            std::memcpy(&chars[v], out, 4);
            length[v] = quint8(n);
        }
    }
};

} // namespace

EscapedBase64Writer::EscapedBase64Writer(QIODevice& device)
    : device_(device), buffer_(chunkGroups * 8 + 16) {}

bool EscapedBase64Writer::stage(const EntryImage& image) {
    const std::optional<EntryImage::StoredText> stored = image.storedText();
    if (!stored) {
        return image.bytes().has_value();
    }
    if (stagedSource_ == stored->source && stagedOffset_ == stored->offset) {
        return true;
    }
    stagedSource_ = nullptr;
    stored_.resize(size_t(stored->length));
    if (!stored->source->read(stored->offset, stored_.data(), stored->length) ||
        EscapedBase64::canonicalDecodedSize(std::string_view(stored_.data(), stored_.size())) !=
            stored->decodedSize) {
        return false;
    }
    stagedSource_ = stored->source;
    stagedOffset_ = stored->offset;
    return true;
}

bool EscapedBase64Writer::write(const EntryImage& image) {
    const std::optional<EntryImage::StoredText> stored = image.storedText();
    if (!stored) {
        const std::optional<QByteArray>& bytes = image.bytes();
        return bytes && write(*bytes);
    }
    if (!stage(image)) {
        return false;
    }
    stagedSource_ = nullptr; // written once; a later image is read afresh
    return device_.write(stored_.data(), stored->length) == stored->length;
}

bool EscapedBase64Writer::write(const QByteArray& data) {
    static const EscapedPairs pairs;
    const auto* in = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype whole = data.size() / 3;
    for (qsizetype group = 0; group < whole;) {
        const qsizetype end = std::min(whole, group + chunkGroups);
        char* out = buffer_.data();
        for (; group < end; ++group) {
            const unsigned char* p = in + group * 3;
            const unsigned v = (unsigned(p[0]) << 16) | (unsigned(p[1]) << 8) | p[2];
            std::memcpy(out, &pairs.chars[v >> 12], 4);
            out += pairs.length[v >> 12];
            std::memcpy(out, &pairs.chars[v & 0xfff], 4);
            out += pairs.length[v & 0xfff];
        }
        if (!flush(out)) {
            return false;
        }
    }
    const qsizetype rest = data.size() - whole * 3;
    if (rest == 0) {
        return true;
    }
    const unsigned char* p = in + whole * 3;
    const unsigned v = (unsigned(p[0]) << 16) | (rest == 2 ? unsigned(p[1]) << 8 : 0u);
    char* out = buffer_.data();
    std::memcpy(out, &pairs.chars[v >> 12], 4);
    out += pairs.length[v >> 12];
    if (rest == 2) {
        std::memcpy(out, &pairs.chars[v & 0xfff], 4);
        // Only the pair's first character: the second one stands for zero bits ("A").
        out += pairs.length[v & 0xfff] - 1;
    }
    *out++ = '=';
    if (rest == 1) {
        *out++ = '=';
    }
    return flush(out);
}

bool EscapedBase64Writer::flush(const char* end) {
    const qsizetype length = end - buffer_.data();
    return device_.write(buffer_.data(), length) == length;
}

} // namespace quillstack
