#pragma once

#include "entries/ClipboardEntry.h"

#include <QDateTime>
#include <QUuid>

namespace quillstack::test {

// An entry as the history holds it, to be written back to a clipboard.
inline ClipboardEntry entryWith(ClipboardKind kind, std::optional<QString> text,
                                std::optional<QString> markdown, std::optional<QString> html,
                                QStringList files = {}, std::optional<QByteArray> image = {},
                                std::optional<QString> color = {}) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind,
                          std::move(text), std::move(markdown), std::move(html), std::move(color),
                          std::move(files), std::move(image), std::nullopt, QString(64, u'0'),
                          std::nullopt);
}

} // namespace quillstack::test
