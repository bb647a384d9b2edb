#pragma once

#include <QByteArray>

#include <optional>
#include <string_view>

namespace quillstack {

// Standard padded Base64 (RFC 4648) as it stands inside history.json, where every "/" is written
// escaped as "\/". Checking the text is much cheaper than decoding it, so loading checks and
// decoding waits until the bytes are wanted.
class EscapedBase64 {
public:
    static constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

    // The number of bytes the text decodes to, when it is exactly what the writer produces for
    // them: alphabet characters, each "/" written "\/", no other escape, "=" padding only at the
    // end, and zero bits in the padding. Nothing for any other text (which may still be valid
    // Base64 once unescaped, see decode()).
    static std::optional<qsizetype> canonicalDecodedSize(std::string_view escaped);

    // Strict decoding of unescaped Base64: a multiple of four alphabet characters, with "="
    // padding only at the end.
    static std::optional<QByteArray> decode(std::string_view base64);

    // Decoding of the escaped form: "\/" stands for "/", and no other escape is allowed.
    static std::optional<QByteArray> decodeEscaped(std::string_view escaped);

    // The first byteCount bytes of what an escaped text decodes to (fewer when it is shorter),
    // given the start of the text (`complete` when that is all of it); nothing when that part is
    // malformed. Only the first escapedPrefixLength(byteCount) characters are looked at.
    static std::optional<QByteArray> decodeEscapedPrefix(std::string_view start, bool complete,
                                                         qsizetype byteCount);

    // How many escaped characters decodeEscapedPrefix() needs at most for byteCount bytes.
    static qsizetype escapedPrefixLength(qsizetype byteCount) {
        return (byteCount + 2) / 3 * 4 * 2;
    }
};

} // namespace quillstack
