#include "entries/SearchIndex.h"

#include "entries/EntryText.h"

#include <QTextBoundaryFinder>

namespace quillstack {

namespace {

// The parts joined with line feeds, stopped once `cap` code units are reached.
QString joinUpTo(const QList<QStringView>& parts, qsizetype cap, bool& truncated) {
    QString joined;
    truncated = false;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            joined.append(QLatin1Char('\n'));
        }
        const qsizetype room = cap - joined.size();
        if (parts[i].size() > room || (room <= 0 && i + 1 < parts.size())) {
            joined.append(parts[i].first(std::max<qsizetype>(room, 0)));
            truncated = true;
            return joined;
        }
        joined.append(parts[i]);
    }
    return joined;
}

QStringView viewOf(const std::optional<QString>& value) {
    return value ? QStringView(*value) : QStringView();
}

} // namespace

SearchIndex::Prefix SearchIndex::leadingCharacters(const QList<QStringView>& parts, int count) {
    // Most clusters are one or two code units; grow the window only for text made of long
    // clusters (combining marks, emoji sequences).
    for (qsizetype cap = qsizetype(count) * 2 + 16;; cap *= 2) {
        bool truncated = false;
        QString joined = joinUpTo(parts, cap, truncated);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, joined);
        qsizetype end = 0;
        int found = 0;
        while (found < count) {
            const qsizetype next = finder.toNextBoundary();
            if (next < 0) {
                break;
            }
            end = next;
            ++found;
        }
        if (!truncated) {
            if (found < count) {
                return {joined, false};
            }
            return {joined.left(end), end < joined.size()};
        }
        // A boundary is final only when the characters right after it are in the window.
        if (found == count && end + 2 <= joined.size()) {
            joined.truncate(end);
            return {joined, true};
        }
    }
}

QString SearchIndex::compute(ClipboardKind kind, const std::optional<QString>& text,
                             const std::optional<QString>& markdown,
                             const std::optional<QString>& html,
                             const std::optional<QString>& colorHex, const QStringList& filePaths,
                             const std::optional<QString>& sourceAppBundleID) {
    const QString kindName = rawValue(kind);
    QList<QStringView> parts{kindName, viewOf(text), viewOf(markdown)};

    // The HTML conversion is the costly step: skip it when the text before it fills the cut
    // (the trailing empty part stands for the line feed that follows the Markdown).
    Prefix prefix = leadingCharacters(parts + QList<QStringView>{QStringView()}, maxCharacters);
    if (!prefix.cut) {
        const QString plainHtml =
            html ? EntryText::htmlToPlainText(*html).value_or(QString()) : QString();
        const QString paths = filePaths.join(QLatin1Char(' '));
        parts << plainHtml << viewOf(colorHex) << paths << viewOf(sourceAppBundleID);
        prefix = leadingCharacters(parts, maxCharacters);
    }
    return EntryText::condensedWhitespace(prefix.text).toLower();
}

} // namespace quillstack
