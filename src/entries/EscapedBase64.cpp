#include "entries/EscapedBase64.h"

#include <array>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillstack {

namespace {

const std::array<qint8, 256>& values() {
    static const std::array<qint8, 256> table = [] {
        std::array<qint8, 256> t{};
        t.fill(-1);
        for (int i = 0; i < 64; ++i) {
            t[static_cast<unsigned char>(EscapedBase64::alphabet[i])] = qint8(i);
        }
        return t;
    }();
    return table;
}

bool isBodyChar(unsigned char c) {
    return values()[c] >= 0 || c == '\\';
}

// Checks the characters [0, end) of a text (no "=" allowed there): alphabet characters and
// backslashes, where every backslash is followed by "/" and every "/" follows a backslash.
// `pendingEscape` carries a backslash that ends the range. Returns the number of backslashes,
// or -1 when the range breaks the rules.
qsizetype checkBody(const unsigned char* text, size_t end, bool& pendingEscape) {
    qsizetype escapes = 0;
    size_t i = 0;
    bool carry = false;
#if defined(__SSE2__)
    unsigned bad = 0;
    const __m128i beforeUpper = _mm_set1_epi8('A' - 1), afterUpper = _mm_set1_epi8('Z' + 1);
    const __m128i beforeLower = _mm_set1_epi8('a' - 1), afterLower = _mm_set1_epi8('z' + 1);
    const __m128i beforeDigit = _mm_set1_epi8('0' - 1), afterDigit = _mm_set1_epi8('9' + 1);
    const __m128i plus = _mm_set1_epi8('+'), slash = _mm_set1_epi8('/');
    const __m128i backslash = _mm_set1_epi8('\\');
    for (; i + 16 <= end; i += 16) {
        // Bytes of 0x80 and above are negative here and fall outside every range.
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i upper =
            _mm_and_si128(_mm_cmpgt_epi8(c, beforeUpper), _mm_cmplt_epi8(c, afterUpper));
        const __m128i lower =
            _mm_and_si128(_mm_cmpgt_epi8(c, beforeLower), _mm_cmplt_epi8(c, afterLower));
        const __m128i digit =
            _mm_and_si128(_mm_cmpgt_epi8(c, beforeDigit), _mm_cmplt_epi8(c, afterDigit));
        const __m128i slashes = _mm_cmpeq_epi8(c, slash);
        const __m128i escapesHere = _mm_cmpeq_epi8(c, backslash);
        const __m128i valid = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(upper, lower), _mm_or_si128(digit, _mm_cmpeq_epi8(c, plus))),
            _mm_or_si128(slashes, escapesHere));
        const auto slashMask = unsigned(_mm_movemask_epi8(slashes));
        const auto escapeMask = unsigned(_mm_movemask_epi8(escapesHere));
        const unsigned expected = ((escapeMask << 1) | unsigned(carry)) & 0xffffu;
        bad |= (unsigned(_mm_movemask_epi8(valid)) ^ 0xffffu) | (slashMask ^ expected);
        carry = (escapeMask >> 15) != 0;
        escapes += std::popcount(escapeMask);
    }
    if (bad != 0) {
        return -1;
    }
#endif
    for (; i < end; ++i) {
        const unsigned char c = text[i];
        if (!isBodyChar(c) || (c == '/') != carry) {
            return -1;
        }
        carry = c == '\\';
        escapes += carry ? 1 : 0;
    }
    pendingEscape = carry;
    return escapes;
}

// The unescaped text: every "\/" becomes "/"; nothing when another escape appears.
std::optional<QByteArray> unescaped(std::string_view escaped) {
    QByteArray out(qsizetype(escaped.size()), Qt::Uninitialized);
    char* o = out.data();
    for (size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\\') {
            if (i + 1 == escaped.size() || escaped[i + 1] != '/') {
                return std::nullopt;
            }
            continue;
        }
        *o++ = escaped[i];
    }
    out.truncate(o - out.constData());
    return out;
}

} // namespace

std::optional<qsizetype> EscapedBase64::canonicalDecodedSize(std::string_view escaped) {
    const auto* text = reinterpret_cast<const unsigned char*>(escaped.data());
    size_t end = escaped.size();
    size_t padding = 0;
    while (end > 0 && padding < 2 && text[end - 1] == '=') {
        --end;
        ++padding;
    }
    bool pendingEscape = false;
    const qsizetype escapes = checkBody(text, end, pendingEscape);
    if (escapes < 0 || pendingEscape) {
        return std::nullopt;
    }
    const qsizetype characters = qsizetype(end - size_t(escapes));
    if ((characters + qsizetype(padding)) % 4 != 0 || (padding > 0 && characters % 4 == 0)) {
        return std::nullopt;
    }
    if (padding > 0) {
        // The last character before the padding carries unused low bits that must be zero.
        const int last = values()[text[end - 1]];
        const int unusedBits = padding == 1 ? 0x3 : 0xf;
        if ((last & unusedBits) != 0) {
            return std::nullopt;
        }
    }
    return characters / 4 * 3 + (padding > 0 ? 3 - qsizetype(padding) : 0);
}

std::optional<QByteArray> EscapedBase64::decode(std::string_view text) {
    const std::array<qint8, 256>& table = values();
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    size_t padding = 0;
    if (!text.empty() && text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    const size_t quads = text.size() / 4;
    QByteArray out(qsizetype(quads * 3 - padding), Qt::Uninitialized);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const size_t fullQuads = padding ? quads - 1 : quads;
    for (size_t q = 0; q < fullQuads; ++q, in += 4, o += 3) {
        const int a = table[in[0]], b = table[in[1]], c = table[in[2]], d = table[in[3]];
        if ((a | b | c | d) < 0) {
            return std::nullopt;
        }
        const unsigned v =
            (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6) | unsigned(d);
        o[0] = static_cast<unsigned char>(v >> 16);
        o[1] = static_cast<unsigned char>(v >> 8);
        o[2] = static_cast<unsigned char>(v);
    }
    if (padding) {
        const int a = table[in[0]], b = table[in[1]];
        const int c = padding == 1 ? table[in[2]] : 0;
        if ((a | b | c) < 0) {
            return std::nullopt;
        }
        const unsigned v = (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6);
        o[0] = static_cast<unsigned char>(v >> 16);
        if (padding == 1) {
            o[1] = static_cast<unsigned char>(v >> 8);
        }
    }
    return out;
}

std::optional<QByteArray> EscapedBase64::decodeEscaped(std::string_view escaped) {
    const std::optional<QByteArray> text = unescaped(escaped);
    if (!text) {
        return std::nullopt;
    }
    return decode(std::string_view(text->constData(), size_t(text->size())));
}

std::optional<QByteArray> EscapedBase64::decodeEscapedPrefix(std::string_view start, bool complete,
                                                             qsizetype byteCount) {
    const size_t window = size_t(escapedPrefixLength(byteCount));
    if (start.size() > window) {
        start = start.substr(0, window);
        complete = false;
    }
    if (!complete && !start.empty() && start.back() == '\\') {
        start.remove_suffix(1); // its "/" lies beyond the window
    }
    std::optional<QByteArray> text = unescaped(start);
    if (!text) {
        return std::nullopt;
    }
    const qsizetype needed = (byteCount + 2) / 3 * 4;
    if (!complete || text->size() > needed) {
        // Whole quads only; the window holds at least `needed` characters when it is cut.
        text->truncate(std::min(text->size(), needed) / 4 * 4);
    }
    std::optional<QByteArray> bytes =
        decode(std::string_view(text->constData(), size_t(text->size())));
    if (bytes && bytes->size() > byteCount) {
        bytes->truncate(byteCount);
    }
    return bytes;
}

} // namespace quillstack
