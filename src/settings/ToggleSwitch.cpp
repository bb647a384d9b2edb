#include "settings/ToggleSwitch.h"

#include <QPainter>
#include <QPainterPath>

namespace quillstack {

namespace {

constexpr QSize trackSize(38, 22);
constexpr int textGap = 12;

} // namespace

ToggleSwitch::ToggleSwitch(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ToggleSwitch::setOnColor(const QColor& color) {
    onColor_ = color;
    update();
}

QSize ToggleSwitch::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + textGap + trackSize.width(),
            std::max(metrics.height(), trackSize.height()) + 2};
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF track(width() - trackSize.width() - 1, (height() - trackSize.height()) / 2.0,
                       trackSize.width(), trackSize.height());
    const QRectF textRect(0, 0, track.left() - textGap, height());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());

    const qreal radius = track.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? onColor_ : QColor(255, 255, 255, 46));
    painter.drawRoundedRect(track, radius, radius);
    if (hasFocus()) {
        painter.setPen(QPen(QColor(onColor_.red(), onColor_.green(), onColor_.blue(), 150), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-2, -2, 2, 2), radius + 2, radius + 2);
    }

    const qreal knob = track.height() - 4;
    const qreal knobX = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    const QRectF knobRect(knobX, track.top() + 2, knob, knob);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawEllipse(knobRect.translated(0, 0.75));
    painter.setBrush(isDown() ? QColor(235, 235, 238) : QColor(Qt::white));
    painter.drawEllipse(knobRect);
}

} // namespace quillstack
