#include "platform/IncrementalText.h"

#include <QByteArray>
#include <QList>

#include <gtest/gtest.h>

using namespace quillstack;

namespace {

QString decodedInPieces(IncrementalText::Encoding encoding, const QByteArray& bytes,
                        qsizetype pieceSize, qint64 expected) {
    IncrementalText text(encoding);
    text.expect(expected);
    for (qsizetype at = 0; at < bytes.size(); at += pieceSize) {
        text.append(QByteArrayView(bytes).sliced(at, std::min(pieceSize, bytes.size() - at)));
    }
    return text.take();
}

} // namespace

// Whatever the pieces, the result is the whole input decoded at once.
TEST(IncrementalText, EqualsDecodingTheWholeInput) {
    using Encoding = IncrementalText::Encoding;
    const QList<std::pair<const char*, QByteArray>> inputs{
        {"empty", QByteArray()},
        {"ascii", "plain words\r\nand lines"},
        {"multi-byte", "Grüße 🎈 ✓ 日本語"},
        {"byte-order mark first", "\xEF\xBB\xBF"
                                  "after the mark"},
        {"invalid bytes", "caf\xc3 \xff\xfe end \xed\xa0\x80"},
        {"truncated at the end", "ends in the middle \xE2\x82"},
        {"lone lead byte at the end", "x\xC3"},
    };
    for (const auto& [name, bytes] : inputs) {
        for (const qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7)}) {
            SCOPED_TRACE(std::string(name) + ", pieces of " + std::to_string(piece));
            // The announced size is only an estimate: smaller, right or larger.
            for (const qint64 expected : {qint64(0), qint64(bytes.size()), qint64(1) << 20}) {
                EXPECT_EQ(decodedInPieces(Encoding::utf8, bytes, piece, expected),
                          QString::fromUtf8(bytes));
                EXPECT_EQ(decodedInPieces(Encoding::latin1, bytes, piece, expected),
                          QString::fromLatin1(bytes));
            }
        }
    }
}
