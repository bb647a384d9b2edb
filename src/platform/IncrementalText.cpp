#include "platform/IncrementalText.h"

namespace quillstack {

namespace {

// Bytes held back without a restart point in them are decoded anyway once there are this many
// (only a long run of malformed bytes gets there; its replacement characters may then differ).
constexpr qsizetype maxHeldBytes = 64 * 1024;

bool isContinuation(uchar byte) {
    return byte >= 0x80 && byte < 0xC0;
}

// Whether decoding `bytes` in two parts split at `at` gives the same text as decoding them
// whole: the part before ends with a complete, valid character, and the part after begins with
// a byte that starts one (not 0xEF, whose byte-order mark would be dropped at a start).
bool isRestartPoint(QByteArrayView bytes, qsizetype at) {
    const auto next = uchar(bytes[at]);
    if (isContinuation(next) || next == 0xEF || next == 0xC0 || next == 0xC1 || next > 0xF4) {
        return false;
    }
    if (uchar(bytes[at - 1]) < 0x80) {
        return true;
    }
    qsizetype lead = at - 1;
    while (lead > 0 && at - lead < 4 && isContinuation(uchar(bytes[lead]))) {
        --lead;
    }
    const QString character = QString::fromUtf8(bytes.sliced(lead, at - lead));
    // (A byte-order mark reads as empty here: not taken, which is merely cautious.)
    return !character.isEmpty() && character.size() <= 2 &&
           !character.contains(QChar::ReplacementCharacter);
}

} // namespace

void IncrementalText::expect(qint64 bytes) {
    if (bytes > text_.capacity()) {
        text_.reserve(qsizetype(bytes));
    }
}

void IncrementalText::append(QByteArrayView piece) {
    if (encoding_ == Encoding::latin1) {
        text_.append(QString::fromLatin1(piece));
        return;
    }
    QByteArray joined;
    if (!held_.isEmpty()) {
        joined = std::exchange(held_, QByteArray());
        joined.append(piece);
    }
    const QByteArrayView bytes = joined.isEmpty() ? piece : QByteArrayView(joined);
    qsizetype split = 0;
    // Nearly always found among the last few bytes.
    for (qsizetype at = bytes.size() - 1; at > 0; --at) {
        if (isRestartPoint(bytes, at)) {
            split = at;
            break;
        }
    }
    if (split == 0 && bytes.size() >= maxHeldBytes) {
        split = bytes.size();
    }
    if (split > 0) {
        text_.append(QString::fromUtf8(bytes.first(split)));
    }
    held_ = bytes.sliced(split).toByteArray();
}

QString IncrementalText::take() {
    if (!held_.isEmpty()) {
        text_.append(QString::fromUtf8(held_));
        held_.clear();
    }
    return std::exchange(text_, QString());
}

} // namespace quillstack
