#include "platform/UriList.h"

#include "platform/Pasteboard.h"

#include <QStringDecoder>

namespace quillstack {

namespace {

// text/x-moz-url is UTF-16 "url\ntitle"; some owners send UTF-8.
QString firstMozURL(const QByteArray& bytes) {
    QString text;
    if (bytes.size() > 1 && bytes.at(1) == '\0') {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        text = decoder.decode(bytes);
    } else {
        text = QString::fromUtf8(bytes);
    }
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

QStringList UriList::parse(const std::optional<QByteArray>& uriList,
                           const std::optional<QByteArray>& mozURL) {
    QStringList result;
    if (uriList) {
        for (const QString& line : QString::fromUtf8(*uriList).split(QLatin1Char('\n'))) {
            const QString uri = line.trimmed();
            if (!uri.isEmpty() && !uri.startsWith(QLatin1Char('#'))) {
                result.append(uri);
            }
        }
    } else if (mozURL) {
        const QString uri = firstMozURL(*mozURL);
        if (!uri.isEmpty()) {
            result.append(uri);
        }
    }
    return result;
}

bool UriList::isFileURI(const QString& uri) {
    return uri.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

QList<PasteboardItem> UriList::items(const QStringList& uris) {
    QList<PasteboardItem> items;
    for (const QString& uri : uris) {
        PasteboardItem item;
        item.setString(uri, isFileURI(uri) ? Pasteboard::fileURLType() : Pasteboard::urlType());
        items.append(item);
    }
    if (items.isEmpty()) {
        items.append(PasteboardItem());
    }
    return items;
}

std::optional<QString> UriList::firstWebURL(const QStringList& uris) {
    for (const QString& uri : uris) {
        if (!isFileURI(uri)) {
            return uri;
        }
    }
    return std::nullopt;
}

} // namespace quillstack
