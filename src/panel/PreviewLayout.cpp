#include "panel/PreviewLayout.h"

#include "panel/PreviewDocument.h"
#include "panel/PreviewPalette.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <cmath>

namespace quillstack {

namespace {

// Three lines of the widest column hold far fewer characters than this.
constexpr qsizetype plainPrefixLimit = 1200;
const QString ellipsis = QStringLiteral("\u2026");

// Fills of frames, tables and table cells go like block fills (a white table from a spreadsheet
// would otherwise hold the card's light text on white); drawn borders take a tone that shows on
// the dark card.
void adaptFramesToCard(QTextFrame* frame) {
    QTextFrameFormat format = frame->frameFormat();
    bool changed = false;
    if (format.hasProperty(QTextFormat::BackgroundBrush)) {
        format.clearBackground();
        changed = true;
    }
    if (format.border() > 0) {
        format.setBorderBrush(PreviewPalette::dark().border);
        changed = true;
    }
    if (changed) {
        frame->setFrameFormat(format);
    }
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                if (cell.row() != row || cell.column() != column) {
                    continue; // a spanned cell, handled at its first position
                }
                QTextCharFormat cellFormat = cell.format();
                if (cellFormat.hasProperty(QTextFormat::BackgroundBrush)) {
                    cellFormat.clearBackground();
                    cell.setFormat(cellFormat);
                }
            }
        }
    }
    const QList<QTextFrame*> children = frame->childFrames();
    for (QTextFrame* child : children) {
        adaptFramesToCard(child);
    }
}

// Sizes in points become the same number of pixels; colours that would vanish on the dark card
// and background fills are dropped, so that the row's own colour shows through; links take a
// link colour made for the dark card.
void adaptToCard(QTextDocument& document, int bodyPixelSize) {
    constexpr int minimumPixelSize = 11;
    const QColor link = PreviewPalette::dark().link;
    adaptFramesToCard(document.rootFrame());
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat blockFormat = block.blockFormat();
        if (blockFormat.hasProperty(QTextFormat::BackgroundBrush)) {
            blockFormat.clearBackground();
            cursor.setPosition(block.position());
            cursor.setBlockFormat(blockFormat);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) {
                continue;
            }
            QTextCharFormat format = fragment.charFormat();
            bool changed = false;
            if (format.hasProperty(QTextFormat::FontPointSize)) {
                const qreal points = format.fontPointSize();
                format.clearProperty(QTextFormat::FontPointSize);
                format.setProperty(QTextFormat::FontPixelSize,
                                   std::max(qRound(points), minimumPixelSize));
                changed = true;
            }
            if (format.hasProperty(QTextFormat::FontSizeAdjustment)) {
                // Headings: a step up from the body per level, not the document's big sizes.
                const int steps = format.intProperty(QTextFormat::FontSizeAdjustment);
                format.clearProperty(QTextFormat::FontSizeAdjustment);
                format.setProperty(QTextFormat::FontPixelSize,
                                   qRound(bodyPixelSize + 1.5 * std::max(steps, -1)));
                changed = true;
            }
            if (format.hasProperty(QTextFormat::ForegroundBrush) &&
                format.foreground().color().lightnessF() < 0.45f) {
                format.clearForeground();
                changed = true;
            }
            if (format.hasProperty(QTextFormat::BackgroundBrush)) {
                format.clearBackground();
                changed = true;
            }
            if (format.isAnchor() && !format.anchorHref().isEmpty()) {
                format.setForeground(link);
                changed = true;
            }
            if (changed) {
                cursor.setPosition(fragment.position());
                cursor.setPosition(fragment.position() + fragment.length(),
                                   QTextCursor::KeepAnchor);
                cursor.setCharFormat(format);
            }
        }
    }
}

} // namespace

PreviewLayout PreviewLayout::plain(const QString& text, const QFont& font, int maxLines,
                                   qreal width) {
    PreviewLayout result;
    result.width_ = width;
    result.font_ = font;
    const QFontMetricsF metrics(font);
    result.lineHeight_ = std::ceil(metrics.height());
    result.ascent_ = metrics.ascent();

    const QString source = text.left(plainPrefixLimit);
    QTextLayout layout(source, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (result.lines_.size() < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        const bool last = result.lines_.size() == maxLines - 1;
        const int end = line.textStart() + line.textLength();
        if (last && (end < source.size() || source.size() < text.size())) {
            // The rest does not fit: end the last line with an ellipsis.
            const QString rest = source.mid(line.textStart(), 400) + ellipsis;
            result.lines_ << metrics.elidedText(rest, Qt::ElideRight, width);
            result.cut_ = true;
        } else {
            result.lines_ << source.mid(line.textStart(), line.textLength()).trimmed();
        }
    }
    layout.endLayout();
    if (result.lines_.isEmpty()) {
        result.lines_ << QString();
    }
    result.lineCount_ = static_cast<int>(result.lines_.size());
    result.height_ = result.lineCount_ * result.lineHeight_;
    return result;
}

PreviewLayout PreviewLayout::rich(const QTextDocumentFragment& fragment, const QFont& font,
                                  int maxLines, qreal width) {
    PreviewLayout result;
    result.width_ = width;
    result.font_ = font;

    auto document = std::make_shared<PreviewDocument>();
    document->setDefaultFont(font);
    document->setDocumentMargin(0);
    QTextCursor(document.get()).insertFragment(fragment);
    adaptToCard(*document, font.pixelSize() > 0 ? font.pixelSize() : 13);
    document->setTextWidth(width);

    // The bottom of the last allowed line. Lines side by side (the cells of one table row)
    // count as one.
    int lines = 0;
    qreal bottom = 0;
    bool more = false;
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    for (QTextBlock block = document->begin(); block.isValid() && !more; block = block.next()) {
        const QTextLayout* blockLayout = block.layout();
        const QRectF blockRect = layout->blockBoundingRect(block);
        for (int i = 0; i < blockLayout->lineCount(); ++i) {
            const QTextLine line = blockLayout->lineAt(i);
            const qreal top = blockRect.top() + line.y();
            if (lines > 0 && top < bottom - 0.5) {
                bottom = std::max(bottom, top + line.height());
                continue;
            }
            if (lines == maxLines) {
                more = true;
                break;
            }
            bottom = top + line.height();
            ++lines;
        }
    }
    if (!more && lines > 0) {
        // All of it fits: down to the end of the document, the bottom edge of a table included.
        bottom = std::max(bottom, layout->documentSize().height());
    }
    result.lineCount_ = std::max(lines, 1);
    result.cut_ = more;
    result.height_ = lines > 0 ? std::ceil(bottom) : std::ceil(QFontMetricsF(font).height());
    result.document_ = std::move(document);
    return result;
}

void PreviewLayout::paint(QPainter& painter, const QPointF& origin, const QColor& colour) const {
    if (isNull()) {
        return;
    }
    painter.save();
    if (document_) {
        painter.translate(origin);
        const QRectF clip(0, 0, width_, height_);
        painter.setClipRect(clip, Qt::IntersectClip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, colour);
        document_->documentLayout()->draw(&painter, context);
    } else {
        painter.setFont(font_);
        painter.setPen(colour);
        qreal y = origin.y() + ascent_;
        for (const QString& line : lines_) {
            painter.drawText(QPointF(origin.x(), y), line);
            y += lineHeight_;
        }
    }
    painter.restore();
}

} // namespace quillstack
