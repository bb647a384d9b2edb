#include "entries/EntryFingerprint.h"

#include <QCryptographicHash>

namespace quillstack {

namespace {

void addField(QCryptographicHash& hash, const QString& field) {
    hash.addData(field.toUtf8());
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
