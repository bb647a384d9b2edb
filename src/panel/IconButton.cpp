#include "panel/IconButton.h"

#include "app/SymbolIcon.h"
#include "settings/ViewStyle.h"

#include <QPainter>

namespace quillstack {

IconButton::IconButton(const QString& symbol, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol) {
    setFixedSize(side, side);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(symbol);
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(drawnOpacity());
    painter.setPen(Qt::NoPen);
    painter.setBrush(ViewStyle::white(isDown() ? 0.16 : 0.08));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
    const int glyph = 16;
    const QImage image =
        SymbolIcon::image(symbol_, ViewStyle::primary(), QSize(glyph, glyph), devicePixelRatioF());
    painter.drawImage(QPointF((width() - glyph) / 2.0, (height() - glyph) / 2.0), image);
}

} // namespace quillstack
