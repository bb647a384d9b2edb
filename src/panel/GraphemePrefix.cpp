#include "panel/GraphemePrefix.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace quillstack {

namespace {

// UTF-16 length of the first `limit` grapheme clusters of `window`, counting only boundaries
// that lie before the window's end; -1 when the window holds fewer such boundaries.
qsizetype boundaryWithin(QStringView window, qsizetype limit) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window.data(), window.size());
    qsizetype count = 0;
    for (qsizetype position = finder.toNextBoundary(); position > 0;
         position = finder.toNextBoundary()) {
        if (position >= window.size()) {
            break;
        }
        if (++count == limit) {
            return position;
        }
    }
    return -1;
}

} // namespace

GraphemePrefix::GraphemePrefix(const QString& text, qsizetype limit) {
    limit = std::max<qsizetype>(limit, 0);
    if (limit == 0) {
        cut_ = !text.isEmpty();
        return;
    }
    // Grapheme breaks depend only on what precedes a position and the character at it, so a
    // boundary found strictly inside a leading window of the text is a boundary of the text.
    // The window grows until it holds the answer or the whole text.
    qsizetype windowSize = limit * 4 + 16;
    while (true) {
        if (windowSize >= text.size()) {
            // The whole text: its end is a real boundary.
            const qsizetype end = boundaryWithin(text, limit);
            cut_ = end >= 0 && end < text.size();
            text_ = cut_ ? text.left(end) : text;
            return;
        }
        qsizetype size = windowSize;
        if (text.at(size - 1).isHighSurrogate()) {
            ++size; // never split a surrogate pair at the window's edge
        }
        const qsizetype end = boundaryWithin(QStringView(text).left(size), limit);
        if (end >= 0) {
            cut_ = true;
            text_ = text.left(end);
            return;
        }
        windowSize *= 2;
    }
}

} // namespace quillstack
