#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QTextDocumentFragment>

#include <memory>

class QPainter;
class QTextDocument;

namespace quillstack {

// A row preview laid out at one width and cut to a number of lines: plain text wrapped at word
// boundaries with an ellipsis where it is cut, or formatted text drawn from a document and
// clipped after its last allowed line. Immutable once made; cheap to copy.
class PreviewLayout {
public:
    PreviewLayout() = default;

    // Plain text in `font`; only a bounded prefix of the text is laid out.
    static PreviewLayout plain(const QString& text, const QFont& font, int maxLines, qreal width);
    // Formatted text whose unformatted parts use `font`. Point sizes in the fragment are read
    // as pixels, like every size of the views, and text colours too dark to read on the dark
    // card give way to the row's colour.
    static PreviewLayout rich(const QTextDocumentFragment& fragment, const QFont& font,
                              int maxLines, qreal width);

    bool isNull() const { return width_ < 0; }
    qreal width() const { return width_; }
    qreal height() const { return height_; }
    int lineCount() const { return lineCount_; }
    bool isCut() const { return cut_; }
    // The plain lines as drawn (formatted previews: empty).
    const QStringList& lines() const { return lines_; }

    // Draws the preview with its top left corner at `origin`, in `colour` where the text sets
    // none.
    void paint(QPainter& painter, const QPointF& origin, const QColor& colour) const;

private:
    qreal width_ = -1;
    qreal height_ = 0;
    int lineCount_ = 0;
    bool cut_ = false;
    QFont font_;
    QStringList lines_;
    qreal lineHeight_ = 0;
    qreal ascent_ = 0;
    std::shared_ptr<const QTextDocument> document_;
};

} // namespace quillstack
