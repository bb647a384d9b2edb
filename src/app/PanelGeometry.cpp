#include "app/PanelGeometry.h"

#include <algorithm>

namespace quillstack {

bool PanelGeometry::contains(const QRectF& frame, const QPointF& point) {
    return point.x() >= frame.left() && point.x() < frame.left() + frame.width() &&
           point.y() > frame.top() && point.y() <= frame.top() + frame.height();
}

QRectF PanelGeometry::frame(const QPointF& pointer, const QSizeF& size,
                            const QList<Screen>& screens, std::optional<qsizetype> mainScreen) {
    qreal x = pointer.x() - size.width() * 0.5;
    qreal y = pointer.y() - size.height() * 0.5;

    const Screen* chosen = nullptr;
    for (const Screen& screen : screens) {
        if (contains(screen.frame, pointer)) {
            chosen = &screen;
            break;
        }
    }
    if (!chosen && mainScreen && *mainScreen >= 0 && *mainScreen < screens.size()) {
        chosen = &screens.at(*mainScreen);
    }
    if (chosen) {
        // QRectF's top() is the smaller y, which in this convention is the bottom edge.
        const QRectF& visible = chosen->visibleFrame;
        const qreal minX = visible.left();
        const qreal maxX = visible.left() + visible.width();
        const qreal minY = visible.top();
        const qreal maxY = visible.top() + visible.height();
        x = std::min(std::max(x, minX + margin), maxX - size.width() - margin);
        y = std::min(std::max(y, minY + margin), maxY - size.height() - margin);
    }
    return {x, y, size.width(), size.height()};
}

QPointF PanelGeometry::flipped(const QPointF& point, qreal desktopTop, qreal desktopBottom) {
    return {point.x(), desktopTop + desktopBottom - point.y()};
}

QRectF PanelGeometry::flipped(const QRectF& rect, qreal desktopTop, qreal desktopBottom) {
    return {rect.x(), desktopTop + desktopBottom - rect.y() - rect.height(), rect.width(),
            rect.height()};
}

} // namespace quillstack
