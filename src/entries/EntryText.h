#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace quillstack {

// The two string operations shared by capture, the search text, the display texts and the
// previews.
class EntryText {
public:
    // HTML sources are reduced to what can show as text (VisibleHtml) and cut to this many
    // UTF-16 code units before they are converted, so that a huge or hostile document costs a
    // bounded time without losing text that follows a large style sheet or script.
    static constexpr qsizetype maxHtmlLength = 256 * 1024;
    // Sources whose elements nest deeper than this are converted without their markup (the
    // import's cost grows with the square of the nesting).
    static constexpr int maxHtmlNesting = 128;

    // Every maximal run of whitespace (line breaks included, Unicode white space) becomes one
    // space; whitespace at both ends is removed.
    static QString condensedWhitespace(QStringView text);

    // The visible text of an HTML document, in document order. Nothing for an empty source.
    // External resources (style sheets, images) are never loaded.
    static std::optional<QString> htmlToPlainText(const QString& html);
};

} // namespace quillstack
