#pragma once

#include "panel/PreviewPalette.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <QTextDocumentFragment>

#include <optional>

class QColor;
class QTextDocument;

namespace quillstack {

class ClipboardEntry;

// The preview content of a panel row that is more than a plain string. Stateless: every result
// is built afresh from its input. Limits count user-perceived characters (grapheme clusters),
// so no preview handles more than a few hundred of them however large the entry is.
//
// Styled results are QTextDocumentFragments: insert one into a PreviewDocument with
// QTextCursor::insertFragment and draw that. Fragments never refer to images or other external
// resources. A fragment made from plain text carries no formats, so the drawing document's
// default font and colour apply to it.
class PreviewFormatter {
public:
    static constexpr int htmlSourceLimit = 700;
    static constexpr int markdownSourceLimit = 500;
    static constexpr int richPreviewLimit = 280;
    static constexpr int codeSourceLimit = 520;
    static constexpr int codePreviewLimit = 320;
    static constexpr qreal codeFontPointSize = 12.5;
    static constexpr int fileIconSize = 44;

    PreviewFormatter() = delete;

    // Markdown and HTML entries as styled text; every other kind as its subtitle.
    static QTextDocumentFragment rich(const ClipboardEntry& entry);

    // Monospaced code with keywords, comments and string literals coloured, in the colours of
    // the application palette or of the given palette (PreviewPalette::dark() for the panel).
    static QTextDocumentFragment code(const QString& text);
    static QTextDocumentFragment code(const QString& text, const PreviewPalette& palette);

    // The icon theme's icon for the file's MIME type, 44 x 44 (times the pixel ratio); our own
    // "doc" symbol, tinted, when there is no path or no themed icon.
    static QImage icon(const std::optional<QString>& path, qreal devicePixelRatio = 1.0);
    static QImage icon(const std::optional<QString>& path, const QColor& fallbackTint,
                       qreal devicePixelRatio = 1.0);

    // The monospaced system font at the code size, in the given weight.
    static QFont codeFont(QFont::Weight weight);

private:
    static QTextDocumentFragment trim(const QTextDocument& text, int limit);
};

} // namespace quillstack
