#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace quillstack {

// Where the history panel goes, as pure functions. Coordinates follow the desktop convention the
// panel logic is written in: origin at the bottom left, y growing upwards. The window layer
// converts from and to Qt's top-left convention with flipped().
class PanelGeometry {
public:
    // Distance the panel keeps from the edges of the visible area.
    static constexpr qreal margin = 10;

    // One screen: its whole frame and the part not covered by panels and docks.
    struct Screen {
        QRectF frame;
        QRectF visibleFrame;
    };

    PanelGeometry() = delete;

    // The panel's frame for a pointer at `pointer`: centred on it, then clamped `margin` inside
    // the visible frame of the first screen whose frame contains the pointer, or of the main
    // screen when none does (no clamping without either). The lower bounds are applied first,
    // so a panel larger than the visible frame keeps its right and top edges inside.
    static QRectF frame(const QPointF& pointer, const QSizeF& size, const QList<Screen>& screens,
                        std::optional<qsizetype> mainScreen);

    // Whether a screen frame contains a point: left and top edges included, right and bottom
    // excluded, which is where a pixel position converted from Qt's convention can lie.
    static bool contains(const QRectF& frame, const QPointF& point);

    // Between the two conventions, for a desktop whose top edge lies at `desktopTop` and whose
    // bottom edge at `desktopBottom` in Qt's coordinates. Each is its own inverse.
    static QPointF flipped(const QPointF& point, qreal desktopTop, qreal desktopBottom);
    static QRectF flipped(const QRectF& rect, qreal desktopTop, qreal desktopBottom);
};

} // namespace quillstack
