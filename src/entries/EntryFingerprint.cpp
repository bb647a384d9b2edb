#include "entries/EntryFingerprint.h"

#include <QCryptographicHash>

namespace quillstack {

namespace {

// The field's UTF-8 form, encoded a piece at a time so that a long text is never held twice.
// A piece never ends between the two halves of a surrogate pair, so the bytes are the same as
// those of the whole field encoded at once.
void addField(QCryptographicHash& hash, QStringView field) {
    constexpr qsizetype pieceSize = 64 * 1024;
    for (qsizetype at = 0; at < field.size();) {
        qsizetype size = std::min(pieceSize, field.size() - at);
        if (at + size < field.size() && field[at + size - 1].isHighSurrogate() &&
            field[at + size].isLowSurrogate()) {
            ++size;
        }
        hash.addData(field.sliced(at, size).toUtf8());
        at += size;
    }
    hash.addData(QByteArrayView("\0", 1));
}

void addOptional(QCryptographicHash& hash, const std::optional<QString>& field) {
    addField(hash, field.value_or(QString()));
}

} // namespace

QString EntryFingerprint::compute(ClipboardKind kind, const std::optional<QString>& text,
                                  const std::optional<QString>& markdown,
                                  const std::optional<QString>& html,
                                  const std::optional<QString>& colorHex,
                                  const QStringList& filePaths,
                                  const std::optional<QByteArray>& imagePNGData) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    addField(hash, rawValue(kind));
    addOptional(hash, text);
    addOptional(hash, markdown);
    addOptional(hash, html);
    addOptional(hash, colorHex);
    addField(hash, filePaths.join(QLatin1Char('|')));
    if (imagePNGData) {
        hash.addData(
            QByteArrayView(*imagePNGData).first(std::min(imagePNGData->size(), maxImageBytes)));
    }
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace quillstack
