#pragma once

#include "platform/PasteboardItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillstack {

// The URIs a clipboard offers, as both backends read them: every line of text/uri-list that is
// not empty or a comment, or else the first URL of text/x-moz-url. Each file:// URI is one
// pasteboard item; any other URI is the URL type.
class UriList {
public:
    static QStringList parse(const std::optional<QByteArray>& uriList,
                             const std::optional<QByteArray>& mozURL);
    static bool isFileURI(const QString& uri);
    // One item per URI, or one empty item when there is none.
    static QList<PasteboardItem> items(const QStringList& uris);
    // The first URI that is not a file URI.
    static std::optional<QString> firstWebURL(const QStringList& uris);
};

} // namespace quillstack
