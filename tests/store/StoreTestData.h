#pragma once

#include "entries/ClipboardEntry.h"
#include "entries/EntryFingerprint.h"
#include "entries/SearchIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillstack::test {

inline QDateTime wholeSecondNow() {
    QDateTime now = QDateTime::currentDateTimeUtc();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return now;
}

inline ClipboardEntry textEntry(const QString& text, bool withIndex = true) {
    const std::optional<QString> t = text;
    return ClipboardEntry(QUuid::createUuid(), wholeSecondNow(), ClipboardKind::text, t,
                          std::nullopt, std::nullopt, std::nullopt, {}, std::nullopt,
                          QStringLiteral("org.example.app"),
                          EntryFingerprint::compute(ClipboardKind::text, t, {}, {}, {}, {}, {}),
                          withIndex ? std::optional<QString>(SearchIndex::compute(
                                          ClipboardKind::text, t, {}, {}, {}, {}, std::nullopt))
                                    : std::nullopt);
}

// An image entry whose bytes (not a real PNG; the store does not look) differ by seed.
inline ClipboardEntry imageEntry(qsizetype size, int seed) {
    QByteArray png(size, Qt::Uninitialized);
    for (qsizetype b = 0; b < png.size(); ++b) {
        png[b] = char((b * 7 + seed * 13) ^ (b >> 5));
    }
    const std::optional<QByteArray> image = png;
    return ClipboardEntry(
        QUuid::createUuid(), wholeSecondNow(), ClipboardKind::image, std::nullopt, std::nullopt,
        std::nullopt, std::nullopt, {}, image, std::nullopt,
        EntryFingerprint::compute(ClipboardKind::image, {}, {}, {}, {}, {}, image),
        QStringLiteral("image"));
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace quillstack::test
