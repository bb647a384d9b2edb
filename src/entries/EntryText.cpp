#include "entries/EntryText.h"

#include "entries/VisibleHtml.h"

#include <QRegularExpression>
#include <QTextDocument>
#include <QVariant>

namespace quillstack {

namespace {

// A document that never reads anything from outside the HTML it is given: a <link> to a
// style sheet such as /dev/zero or a network share must not block or leak.
class SealedTextDocument : public QTextDocument {
protected:
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

// An upper estimate of how deeply the elements of the source nest. The HTML import takes time
// that grows with the square of the nesting, so deeply nested input is flattened first.
int nestingDepth(const QString& html) {
    static const QRegularExpression tag(QStringLiteral("<(/?)([A-Za-z][A-Za-z0-9]*)[^>]*?(/?)>"));
    static const QStringList voidElements{
        QStringLiteral("area"),  QStringLiteral("base"),  QStringLiteral("br"),
        QStringLiteral("col"),   QStringLiteral("embed"), QStringLiteral("hr"),
        QStringLiteral("img"),   QStringLiteral("input"), QStringLiteral("link"),
        QStringLiteral("meta"),  QStringLiteral("param"), QStringLiteral("source"),
        QStringLiteral("track"), QStringLiteral("wbr")};
    int depth = 0;
    int deepest = 0;
    QRegularExpressionMatchIterator matches = tag.globalMatch(html);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        if (!match.capturedView(1).isEmpty()) {
            depth = std::max(0, depth - 1);
        } else if (match.capturedView(3).isEmpty() &&
                   !voidElements.contains(match.capturedView(2).toString().toLower())) {
            deepest = std::max(deepest, ++depth);
        }
    }
    return deepest;
}

// Every tag replaced by a space: the text stays in order, the structure is gone.
QString flattened(const QString& html) {
    static const QRegularExpression anyTag(QStringLiteral("<[^>]*>"));
    QString flat = html;
    flat.replace(anyTag, QStringLiteral(" "));
    return flat;
}

} // namespace

QString EntryText::condensedWhitespace(QStringView text) {
    static const QRegularExpression whitespaceRun(QStringLiteral("\\s+"),
                                                  QRegularExpression::UseUnicodePropertiesOption);
    QString condensed = text.toString();
    condensed.replace(whitespaceRun, QStringLiteral(" "));
    return condensed.trimmed();
}

std::optional<QString> EntryText::htmlToPlainText(const QString& html) {
    if (html.isEmpty()) {
        return std::nullopt;
    }
    QString source = VisibleHtml::reduce(html, maxHtmlLength);
    if (nestingDepth(source) > maxHtmlNesting) {
        source = flattened(source);
    }
    SealedTextDocument document;
    document.setUndoRedoEnabled(false);
    document.setHtml(source);
    return document.toPlainText();
}

} // namespace quillstack
