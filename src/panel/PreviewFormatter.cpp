#include "panel/PreviewFormatter.h"

#include "app/SymbolIcon.h"
#include "entries/ClipboardEntry.h"
#include "panel/GraphemePrefix.h"
#include "panel/PreviewDocument.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>
#include <QRegularExpression>
#include <QTextCharFormat>
#include <QTextCursor>

#include <array>

namespace quillstack {

namespace {

const QString ellipsis = QStringLiteral("\u2026");

QTextDocumentFragment plainFragment(const QString& text, int limit) {
    return QTextDocumentFragment::fromPlainText(GraphemePrefix(text, limit).text());
}

QString firstPresent(const std::optional<QString>& first, const std::optional<QString>& second) {
    return first.value_or(second.value_or(QString()));
}

struct HighlightPass {
    QRegularExpression pattern;
    QFont::Weight weight;
    QColor PreviewPalette::*colour;
};

// Keywords, then comments, then string literals: a later pass wins where matches overlap.
// Word boundaries and case folding follow Unicode; "(*ANY)" makes "$" and "." treat every
// Unicode line break as the end of a line.
const std::array<HighlightPass, 3>& highlightPasses() {
    using Options = QRegularExpression::PatternOptions;
    const Options unicode = QRegularExpression::UseUnicodePropertiesOption;
    static const std::array<HighlightPass, 3> passes{{
        {QRegularExpression(
             QStringLiteral(
                 R"(\b(class|struct|enum|func|var|let|if|else|switch|case|for|while|return|)"
                 R"(import|public|private|internal|try|catch|async|await|throws|const|def|)"
                 R"(SELECT|FROM|WHERE)\b)"),
             unicode | QRegularExpression::CaseInsensitiveOption),
         QFont::DemiBold, &PreviewPalette::keyword},
        {QRegularExpression(QStringLiteral(R"((*ANY)(//.*)$|(/\*([\s\S]*?)\*/))"),
                            unicode | QRegularExpression::MultilineOption),
         QFont::Normal, &PreviewPalette::comment},
        {QRegularExpression(QStringLiteral(R"("([^\"\\]|\\.)*")"), unicode), QFont::Normal,
         &PreviewPalette::string},
    }};
    return passes;
}

QTextCharFormat codeFormat(QFont::Weight weight, const QColor& colour) {
    QTextCharFormat format;
    format.setFont(PreviewFormatter::codeFont(weight));
    format.setForeground(colour);
    return format;
}

} // namespace

QFont PreviewFormatter::codeFont(QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(codeFontPointSize);
    font.setWeight(weight);
    return font;
}

QTextDocumentFragment PreviewFormatter::trim(const QTextDocument& text, int limit) {
    const GraphemePrefix prefix(text.toPlainText(), limit);
    if (!prefix.isCut()) {
        return QTextDocumentFragment(&text);
    }
    // Past the limit all styling goes, not only that of the part cut off.
    return QTextDocumentFragment::fromPlainText(prefix.text() + ellipsis);
}

QTextDocumentFragment PreviewFormatter::rich(const ClipboardEntry& entry) {
    // Qt's HTML and Markdown readers accept any input, so the plain-text fallbacks for a
    // failed import are never needed here.
    switch (entry.kind()) {
    case ClipboardKind::html: {
        const QString source = firstPresent(entry.html(), entry.text());
        PreviewDocument document;
        document.setHtml(GraphemePrefix(source, htmlSourceLimit).text());
        document.removeExternalResources();
        return trim(document, richPreviewLimit);
    }
    case ClipboardKind::markdown: {
        const QString source = firstPresent(entry.markdown(), entry.text());
        PreviewDocument document;
        document.setMarkdown(GraphemePrefix(source, markdownSourceLimit).text(),
                             QTextDocument::MarkdownDialectGitHub);
        document.removeExternalResources();
        return trim(document, richPreviewLimit);
    }
    default:
        return plainFragment(entry.subtitle(), richPreviewLimit);
    }
}

QTextDocumentFragment PreviewFormatter::code(const QString& text) {
    return code(text, PreviewPalette::current());
}

QTextDocumentFragment PreviewFormatter::code(const QString& text, const PreviewPalette& palette) {
    // The document turns a CR LF pair into one paragraph break; with single line feeds its
    // positions are the string's UTF-16 offsets. A CR LF pair is one character either way.
    QString source = GraphemePrefix(text, codeSourceLimit).text();
    source.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    PreviewDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(source, codeFormat(QFont::Normal, palette.label));

    for (const HighlightPass& pass : highlightPasses()) {
        if (!pass.pattern.isValid()) {
            continue;
        }
        const QTextCharFormat format = codeFormat(pass.weight, palette.*pass.colour);
        for (auto it = pass.pattern.globalMatch(source); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedLength() == 0) {
                continue;
            }
            cursor.setPosition(static_cast<int>(match.capturedStart()));
            cursor.setPosition(static_cast<int>(match.capturedEnd()), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(format);
        }
    }
    return trim(document, codePreviewLimit);
}

QImage PreviewFormatter::icon(const std::optional<QString>& path, qreal devicePixelRatio) {
    return icon(path, PreviewPalette::current().label, devicePixelRatio);
}

QImage PreviewFormatter::icon(const std::optional<QString>& path, const QColor& fallbackTint,
                              qreal devicePixelRatio) {
    const QSize size(fileIconSize, fileIconSize);
    if (path && !path->isEmpty()) {
        // By name only (a directory aside): the file's contents are never read for a preview.
        static const QMimeDatabase mimeTypes;
        const QMimeType type =
            QFileInfo(*path).isDir()
                ? mimeTypes.mimeTypeForName(QStringLiteral("inode/directory"))
                : mimeTypes.mimeTypeForFile(*path, QMimeDatabase::MatchExtension);
        const QIcon themed =
            QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
        if (!themed.isNull()) {
            QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            image.setDevicePixelRatio(devicePixelRatio);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            themed.paint(&painter, QRect(QPoint(0, 0), size));
            return image;
        }
    }
    QImage doc = SymbolIcon::image(QStringLiteral("doc"), fallbackTint, size, devicePixelRatio);
    if (doc.isNull()) {
        doc = QImage(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
        doc.fill(Qt::transparent);
        doc.setDevicePixelRatio(devicePixelRatio);
    }
    return doc;
}

} // namespace quillstack
