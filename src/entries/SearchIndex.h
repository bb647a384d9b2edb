#pragma once

#include "entries/ClipboardKind.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace quillstack {

// The stored search text of an entry: the kind's raw value, text, Markdown, the plain text of
// the HTML, colour, paths (joined with spaces) and source application, joined with line feeds,
// cut to the first 4000 user-perceived characters, whitespace-condensed and lower-cased
// (locale-independent). Only as much of the input as the cut needs is ever converted.
class SearchIndex {
public:
    static constexpr int maxCharacters = 4000;

    static QString compute(ClipboardKind kind, const std::optional<QString>& text,
                           const std::optional<QString>& markdown,
                           const std::optional<QString>& html,
                           const std::optional<QString>& colorHex, const QStringList& filePaths,
                           const std::optional<QString>& sourceAppBundleID);

    struct Prefix {
        QString text;
        bool cut = false; // the joined text went on beyond `text`
    };

    // The first `count` grapheme clusters of `parts` joined with line feeds, without building
    // more of the joined text than the cut needs (beyond a small look-ahead).
    static Prefix leadingCharacters(const QList<QStringView>& parts, int count);
};

} // namespace quillstack
