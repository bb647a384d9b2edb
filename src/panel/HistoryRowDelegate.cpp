#include "panel/HistoryRowDelegate.h"

#include "app/SymbolIcon.h"
#include "entries/ClipboardEntry.h"
#include "panel/HexColor.h"
#include "panel/HistoryListModel.h"
#include "panel/RowPreviewCache.h"
#include "settings/ViewStyle.h"

#include <QHelpEvent>
#include <QListView>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QToolTip>

namespace quillstack {

namespace {

constexpr int textColumnSpacing = 6;
constexpr int deleteButtonSide = 20;
constexpr int timeSpacing = 4;

QFont titleFont() {
    return ViewStyle::font(14, QFont::DemiBold);
}

QFont timeFont() {
    return ViewStyle::font(11, QFont::Medium, true);
}

QString tileSymbol(ClipboardKind kind) {
    switch (kind) {
    case ClipboardKind::text:
        return QStringLiteral("text.alignleft");
    case ClipboardKind::code:
        return QStringLiteral("curlybraces");
    case ClipboardKind::markdown:
        return QStringLiteral("doc.richtext");
    case ClipboardKind::html:
        return QStringLiteral("chevron.left.forwardslash.chevron.right");
    case ClipboardKind::image:
        return QStringLiteral("photo");
    case ClipboardKind::color:
        return QStringLiteral("paintpalette");
    case ClipboardKind::file:
    case ClipboardKind::unknown:
        break;
    }
    return QStringLiteral("doc");
}

const ClipboardEntry& entryOf(const QModelIndex& index) {
    return static_cast<const HistoryListModel*>(index.model())->entryAt(index.row());
}

QPainterPath rounded(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

HistoryRowDelegate::HistoryRowDelegate(RowPreviewCache& cache, QListView& view)
    : QStyledItemDelegate(&view), cache_(cache), view_(view) {}

QRect HistoryRowDelegate::cardRect(const QRect& itemRect, int row, int cardWidth) {
    const int top = itemRect.top() + (row == 0 ? listInset : 0);
    return {itemRect.left(), top, cardWidth, itemRect.bottom() + 1 - rowGap - top};
}

int HistoryRowDelegate::cardWidth() const {
    return std::max(view_.width() - view_.frameWidth() * 2 - scrollBarLane, 200);
}

qreal HistoryRowDelegate::textColumnWidth() const {
    return cardWidth() - 2 * rowInset - tileSide - 12;
}

qreal HistoryRowDelegate::previewWidth(const ClipboardEntry& entry) const {
    // A colour's text sits beside its small swatch.
    return textColumnWidth() - (entry.kind() == ClipboardKind::color ? 38 : 0);
}

qreal HistoryRowDelegate::ratio() const {
    return view_.devicePixelRatioF();
}

QString HistoryRowDelegate::timeText(const ClipboardEntry& entry) {
    // The locale's short time format, without seconds where it has them.
    static const QRegularExpression seconds(QStringLiteral("[:.]?s+"));
    const QLocale locale;
    const QString format = locale.timeFormat(QLocale::ShortFormat).remove(seconds).trimmed();
    return locale.toString(entry.timestamp().toLocalTime().time(), format);
}

QRect HistoryRowDelegate::deleteButtonRect(const QRect& card, const ClipboardEntry& entry) const {
    const int timeWidth = QFontMetrics(timeFont()).horizontalAdvance(timeText(entry));
    const int right = card.right() + 1 - rowInset - timeWidth - timeSpacing;
    const int top = card.top() + rowInset + (titleLineHeight - deleteButtonSide) / 2;
    return {right - deleteButtonSide, top, deleteButtonSide, deleteButtonSide};
}

int HistoryRowDelegate::cardHeight(const ClipboardEntry& entry, bool searching) const {
    const PreviewLayout& preview = cache_.preview(entry, searching, previewWidth(entry));
    qreal previewHeight = preview.height();
    if (entry.kind() == ClipboardKind::color) {
        previewHeight = std::max<qreal>(previewHeight, 14);
    }
    const int column = titleLineHeight + textColumnSpacing + qCeil(previewHeight);
    return 2 * rowInset + std::max(tileSide, column);
}

QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const ClipboardEntry& entry = entryOf(index);
    const bool searching = index.data(HistoryListModel::SearchingRole).toBool();
    const int height = (index.row() == 0 ? listInset : 0) + cardHeight(entry, searching) + rowGap;
    return {cardWidth(), height};
}

const QImage& HistoryRowDelegate::symbol(const QString& name, int side,
                                         const QColor& colour) const {
    const QString key =
        QStringLiteral("%1/%2/%3/%4").arg(name).arg(side).arg(colour.rgba()).arg(ratio());
    auto found = symbols_.find(key);
    if (found == symbols_.end()) {
        found = symbols_.insert(key, SymbolIcon::image(name, colour, QSize(side, side), ratio()));
    }
    return *found;
}

void HistoryRowDelegate::paintSymbolTile(QPainter& painter, const QRectF& tile,
                                         const QString& name) const {
    const QPainterPath shape = rounded(tile.adjusted(0.5, 0.5, -0.5, -0.5), 12);
    painter.fillPath(shape, ViewStyle::white(0.08));
    painter.strokePath(shape, QPen(ViewStyle::white(0.1), 1));
    const int side = 24;
    const QImage& glyph = symbol(name, side, ViewStyle::primary());
    painter.drawImage(QPointF(tile.center().x() - side / 2.0, tile.center().y() - side / 2.0),
                      glyph);
}

void HistoryRowDelegate::paintTile(QPainter& painter, const QRectF& tile,
                                   const ClipboardEntry& entry) const {
    switch (entry.kind()) {
    case ClipboardKind::image: {
        const QImage& image = cache_.tileImage(entry);
        if (image.isNull()) {
            break;
        }
        const QPainterPath shape = rounded(tile, 10);
        painter.save();
        painter.setClipPath(shape);
        painter.drawImage(tile.topLeft(), image);
        painter.restore();
        painter.strokePath(rounded(tile.adjusted(0.5, 0.5, -0.5, -0.5), 10),
                           QPen(ViewStyle::white(0.16), 1));
        return;
    }
    case ClipboardKind::file: {
        painter.fillPath(rounded(tile, 12), ViewStyle::white(0.07));
        const QImage& icon = cache_.tileImage(entry);
        const QRectF target = tile.adjusted(6, 6, -6, -6);
        painter.drawImage(target, icon);
        return;
    }
    case ClipboardKind::color: {
        const std::optional<QColor> colour = colorFromHex(entry.colorHex().value_or(QString()));
        if (!colour) {
            break;
        }
        const QPainterPath shape = rounded(tile.adjusted(0.5, 0.5, -0.5, -0.5), 10);
        painter.fillPath(shape, *colour);
        painter.strokePath(shape, QPen(ViewStyle::white(0.18), 1));
        return;
    }
    default:
        break;
    }
    paintSymbolTile(painter, tile, tileSymbol(entry.kind()));
}

void HistoryRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const ClipboardEntry& entry = entryOf(index);
    const bool selected = index.data(HistoryListModel::SelectedRole).toBool();
    const bool searching = index.data(HistoryListModel::SearchingRole).toBool();
    const QRect card = cardRect(option.rect, index.row(), cardWidth());

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);

    // The card.
    const QColor accent = ViewStyle::accent();
    QColor fill = accent;
    fill.setAlphaF(0.2f);
    QColor outline = accent;
    outline.setAlphaF(0.55f);
    const QPainterPath shape = rounded(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 14);
    painter->fillPath(shape, selected ? fill : ViewStyle::white(0.06));
    painter->strokePath(shape, QPen(selected ? outline : ViewStyle::white(0.08), 1));

    // The tile.
    const QRectF tile(card.left() + rowInset, card.top() + rowInset, tileSide, tileSide);
    paintTile(*painter, tile, entry);

    // The title line: title, delete button, time.
    const qreal columnLeft = tile.right() + 12;
    const QRectF titleLine(columnLeft, card.top() + rowInset, textColumnWidth(), titleLineHeight);
    const QString time = timeText(entry);
    const QRect deleteRect = deleteButtonRect(card, entry);
    painter->setFont(timeFont());
    painter->setPen(ViewStyle::secondary());
    painter->drawText(QRectF(deleteRect.right() + 1 + timeSpacing, titleLine.top(),
                             card.right() + 1 - rowInset - deleteRect.right() - 1 - timeSpacing,
                             titleLineHeight),
                      Qt::AlignRight | Qt::AlignVCenter, time);
    const QImage& trash = symbol(QStringLiteral("trash"), 13, ViewStyle::secondary());
    painter->drawImage(
        QPointF(deleteRect.center().x() + 0.5 - 6.5, deleteRect.center().y() + 0.5 - 6.5), trash);
    const QFont title = titleFont();
    const int titleWidth = std::max(0, deleteRect.left() - 8 - qRound(columnLeft));
    painter->setFont(title);
    painter->setPen(ViewStyle::primary());
    painter->drawText(QRectF(columnLeft, titleLine.top(), titleWidth, titleLineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(title).elidedText(entry.title(), Qt::ElideRight, titleWidth));

    // The preview.
    const qreal previewTop = titleLine.bottom() + textColumnSpacing;
    if (entry.kind() == ClipboardKind::color) {
        const PreviewLayout& text = cache_.preview(entry, searching, previewWidth(entry));
        qreal x = columnLeft;
        const qreal rowHeight = std::max<qreal>(text.height(), 14);
        if (const auto colour = colorFromHex(entry.colorHex().value_or(QString()))) {
            const QRectF swatch(x, previewTop + (rowHeight - 14) / 2, 30, 14);
            const QPainterPath swatchShape = rounded(swatch, 5);
            painter->fillPath(swatchShape, *colour);
            painter->strokePath(swatchShape, QPen(QColor(0, 0, 0, 38), 0.7));
            x += 38;
        }
        text.paint(*painter, QPointF(x, previewTop + (rowHeight - text.height()) / 2),
                   ViewStyle::primary());
    } else {
        cache_.preview(entry, searching, previewWidth(entry))
            .paint(*painter, QPointF(columnLeft, previewTop), ViewStyle::primary());
    }
    painter->restore();
}

bool HistoryRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::ToolTip && index.isValid()) {
        const QRect card = cardRect(option.rect, index.row(), cardWidth());
        if (deleteButtonRect(card, entryOf(index)).contains(event->pos())) {
            QToolTip::showText(event->globalPos(), QStringLiteral("Delete this item"), view);
            return true;
        }
        QToolTip::hideText();
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace quillstack
