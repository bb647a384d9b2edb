#include "platform/IncrementalText.h"

#include <gtest/gtest.h>

using namespace quillstack;

// Whatever the pieces and the announced size (only an estimate), the result is the whole input
// decoded at once.
TEST(IncrementalText, EqualsDecodingTheWholeInput) {
    using Encoding = IncrementalText::Encoding;
    const QByteArray inputs[] = {
        QByteArray(),
        "Grüße 🎈 ✓ 日本語",
        "\xEF\xBB\xBF"
        "after the mark",
        "caf\xc3 \xff\xfe end \xed\xa0\x80",
        "ends in the middle \xE2\x82",
        "x\xC3",
    };
    for (const QByteArray& bytes : inputs) {
        for (const qsizetype piece : {1, 2, 3, 7}) {
            for (const qint64 expected : {qint64(0), qint64(bytes.size()), qint64(1) << 20}) {
                SCOPED_TRACE(bytes.toHex().toStdString() + " in pieces of " +
                             std::to_string(piece) + ", " + std::to_string(expected) + " expected");
                for (const Encoding encoding : {Encoding::utf8, Encoding::latin1}) {
                    IncrementalText text(encoding);
                    text.expect(expected);
                    for (qsizetype at = 0; at < bytes.size(); at += piece) {
                        text.append(QByteArrayView(bytes).sliced(
                            at, std::min<qsizetype>(piece, bytes.size() - at)));
                    }
                    EXPECT_EQ(text.take(), encoding == Encoding::utf8 ? QString::fromUtf8(bytes)
                                                                      : QString::fromLatin1(bytes));
                }
            }
        }
    }
}
