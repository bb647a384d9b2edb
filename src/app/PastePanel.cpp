#include "app/PastePanel.h"

#include "panel/ContentView.h"

#include <QEvent>
#include <QPainterPath>
#include <QRegion>

namespace quillstack {

PastePanel::PastePanel(ContentView* content, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      content_(content) {
    setWindowTitle(QStringLiteral("Quillstack"));
    setFixedSize(content_->size());
    content_->setParent(this);
    content_->move(0, 0);
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    content_->setTranslucent(translucent_);
}

void PastePanel::setTranslucent(bool translucent) {
    if (translucent == translucent_ && testAttribute(Qt::WA_TranslucentBackground) == translucent) {
        return;
    }
    translucent_ = translucent;
    if (testAttribute(Qt::WA_WState_Created)) {
        // The visual of an existing native window cannot change.
        hide();
        destroy();
    }
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    if (translucent) {
        clearMask();
    } else {
        // Only the rounded card remains of the window.
        const int margin = ContentView::cardMargin;
        QPainterPath card;
        card.addRoundedRect(QRectF(rect()).adjusted(margin, margin, -margin, -margin),
                            ContentView::cardRadius, ContentView::cardRadius);
        setMask(QRegion(card.toFillPolygon().toPolygon()));
    }
    content_->setTranslucent(translucent);
}

void PastePanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        emit activationChanged(isActiveWindow());
    }
}

} // namespace quillstack
