#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quillstack {

// Decodes a text that arrives in pieces straight into one QString, so that the encoded bytes
// never need to be held whole. The result equals QString::fromUtf8 (or fromLatin1) of all the
// pieces joined, invalid sequences included: each piece is decoded up to the last point where
// decoding can restart without looking back (after a complete character, before a byte that
// starts one), and the few bytes after it wait for the next piece.
class IncrementalText {
public:
    enum class Encoding { utf8, latin1 };

    explicit IncrementalText(Encoding encoding) : encoding_(encoding) {}

    // Makes room for about this many bytes (an estimate; larger or smaller input is fine).
    void expect(qint64 bytes);
    void append(QByteArrayView piece);
    // The whole text; the decoder is left empty.
    QString take();

private:
    Encoding encoding_;
    QString text_;
    // UTF-8 bytes after the last restart point, waiting for the next piece.
    QByteArray held_;
};

} // namespace quillstack
