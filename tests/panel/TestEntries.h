#pragma once

#include "entries/ClipboardEntry.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QUuid>

namespace quillstack::test {

// A record of the given kind; its fingerprint is derived from the text so that records with
// different texts are never taken for duplicates.
inline ClipboardEntry makeEntry(ClipboardKind kind, const QString& text,
                                std::optional<QString> searchIndex = std::nullopt,
                                std::optional<QString> markdown = std::nullopt,
                                std::optional<QString> html = std::nullopt) {
    const QByteArray digest = QCryptographicHash::hash(
        (rawValue(kind) + QLatin1Char('\0') + text).toUtf8(), QCryptographicHash::Sha256);
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind, text,
                          std::move(markdown), std::move(html), std::nullopt, {}, std::nullopt,
                          std::nullopt, QString::fromLatin1(digest.toHex()),
                          std::move(searchIndex));
}

} // namespace quillstack::test
