#include "app/VisualEffectView.h"

#include <QLinearGradient>
#include <QPainter>

namespace quillstack {

QColor VisualEffectView::baseColor(bool translucent) const {
    // The HUD material: a neutral, slightly cool charcoal.
    return translucent ? QColor(28, 29, 33, 214) : QColor(34, 35, 39);
}

void VisualEffectView::paint(QPainter& painter, const QPainterPath& shape, bool translucent) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillPath(shape, baseColor(translucent));
    const QRectF bounds = shape.boundingRect();
    QLinearGradient sheen(bounds.topLeft(), bounds.bottomLeft());
    sheen.setColorAt(0.0, QColor(255, 255, 255, 14));
    sheen.setColorAt(0.35, QColor(255, 255, 255, 4));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.fillPath(shape, sheen);
    painter.restore();
}

} // namespace quillstack
