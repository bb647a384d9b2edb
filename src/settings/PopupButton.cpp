#include "settings/PopupButton.h"

#include "settings/ViewStyle.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPainterPath>

namespace quillstack {

namespace {

constexpr int buttonHeight = 28;
constexpr int horizontalPadding = 10;
constexpr int chevronWidth = 14;

} // namespace

PopupButton::PopupButton(QWidget* parent) : QComboBox(parent) {
    setFont(ViewStyle::font(13, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    view()->setStyleSheet(ViewStyle::popupListStyleSheet());
    view()->setFont(ViewStyle::font(13));
}

QSize PopupButton::sizeHint() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int row = 0; row < count(); ++row) {
        widest = std::max(widest, metrics.horizontalAdvance(itemText(row)));
    }
    return {widest + 2 * horizontalPadding + chevronWidth + 6, buttonHeight};
}

QSize PopupButton::minimumSizeHint() const {
    return {2 * horizontalPadding + chevronWidth, buttonHeight};
}

void PopupButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(ViewStyle::white(hasFocus() ? 0.3 : 0.1), 1));
    painter.setBrush(ViewStyle::white(view()->isVisible() ? 0.14 : 0.08));
    painter.drawRoundedRect(frame, 7, 7);

    const QColor text = isEnabled() ? ViewStyle::primary() : ViewStyle::white(0.35);
    const QRectF textRect =
        frame.adjusted(horizontalPadding, 0, -horizontalPadding - chevronWidth, 0);
    painter.setPen(text);
    painter.setFont(font());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(currentText(), Qt::ElideRight,
                                              static_cast<int>(textRect.width())));

    // Up and down chevrons, as on a pop-up button.
    const qreal cx = frame.right() - horizontalPadding - chevronWidth / 2.0 + 2;
    const qreal cy = frame.center().y();
    QPainterPath chevrons;
    chevrons.moveTo(cx - 3.5, cy - 1.8);
    chevrons.lineTo(cx, cy - 5.3);
    chevrons.lineTo(cx + 3.5, cy - 1.8);
    chevrons.moveTo(cx - 3.5, cy + 1.8);
    chevrons.lineTo(cx, cy + 5.3);
    chevrons.lineTo(cx + 3.5, cy + 1.8);
    painter.setPen(QPen(ViewStyle::secondary(), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(chevrons);
}

} // namespace quillstack
