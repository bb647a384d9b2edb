#include "panel/SettingsOverlay.h"

#include "settings/HotkeySettingsView.h"

#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>

namespace quillstack {

SettingsOverlay::SettingsOverlay(AppSettings& settings, std::function<void()> onDismiss,
                                 QWidget* parent)
    : QWidget(parent), onDismiss_(std::move(onDismiss)) {
    card_ = new HotkeySettingsView(settings, [this] {
        if (onDismiss_) {
            onDismiss_();
        }
    });
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(card_, 0, 0, Qt::AlignCenter);
}

void SettingsOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 89));
    painter.drawRoundedRect(QRectF(rect()), 20, 20);
}

void SettingsOverlay::mousePressEvent(QMouseEvent* event) {
    if (!card_->geometry().contains(event->position().toPoint())) {
        event->accept();
        if (onDismiss_) {
            onDismiss_();
        }
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace quillstack
