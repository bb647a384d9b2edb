#pragma once

#include <QHash>
#include <QImage>
#include <QStyledItemDelegate>

class QListView;

namespace quillstack {

class ClipboardEntry;
class RowPreviewCache;

// Draws one history row: a rounded card holding the kind's tile, the title, the delete button,
// the time of capture and a preview chosen by kind and by whether a search is in effect. Only
// rows that scroll into view are measured from their preview and drawn; what is costly to make
// comes from the preview cache.
//
// Geometry: every row is followed by a gap of 10 and the first is preceded by an inset of 10, so
// that the list reads as a stack with 10 between rows and 10 at both ends. The cards keep one
// width whether or not the scroll bar shows, which leaves it a lane on the right.
class HistoryRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int rowGap = 10;
    static constexpr int listInset = 10;
    static constexpr int rowInset = 12;
    static constexpr int tileSide = 58;
    static constexpr int titleLineHeight = 20;
    static constexpr int scrollBarLane = 12;

    HistoryRowDelegate(RowPreviewCache& cache, QListView& view);

    // The card inside an item's rectangle, and the delete button inside the card.
    static QRect cardRect(const QRect& itemRect, int row, int cardWidth);
    QRect deleteButtonRect(const QRect& card, const ClipboardEntry& entry) const;
    // The width every card has in the view as it is now.
    int cardWidth() const;
    // The time of day shown for an entry.
    static QString timeText(const ClipboardEntry& entry);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    qreal textColumnWidth() const;
    qreal previewWidth(const ClipboardEntry& entry) const;
    int cardHeight(const ClipboardEntry& entry, bool searching) const;
    void paintTile(QPainter& painter, const QRectF& tile, const ClipboardEntry& entry) const;
    void paintSymbolTile(QPainter& painter, const QRectF& tile, const QString& symbol) const;
    const QImage& symbol(const QString& name, int side, const QColor& colour) const;
    qreal ratio() const;

    RowPreviewCache& cache_;
    QListView& view_;
    mutable QHash<QString, QImage> symbols_;
};

} // namespace quillstack
