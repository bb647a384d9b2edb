#include "app/PastePanelController.h"

#include "app/CompositingManager.h"
#include "app/PanelGeometry.h"
#include "app/PastePanel.h"
#include "app/X11WindowState.h"
#include "panel/ContentView.h"
#include "panel/PanelViewModel.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace quillstack {

namespace {

// The top and bottom of the virtual desktop in Qt's coordinates.
std::pair<qreal, qreal> desktopExtent() {
    qreal top = 0;
    qreal bottom = 0;
    bool first = true;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRectF geometry = screen->geometry();
        top = first ? geometry.top() : std::min(top, geometry.top());
        bottom = first ? geometry.top() + geometry.height()
                       : std::max(bottom, geometry.top() + geometry.height());
        first = false;
    }
    return {top, bottom};
}

} // namespace

PastePanelController::PastePanelController(ClipboardManager& manager, PanelViewModel& model,
                                           AppSettings& settings, QObject* parent)
    : QObject(parent), model_(model),
      panel_(std::make_unique<PastePanel>(new ContentView(manager, model, settings))) {
    fade_ = new QPropertyAnimation(panel_.get(), "windowOpacity", this);
    fade_->setDuration(fadeDurationMs);
    fade_->setStartValue(0.0);
    fade_->setEndValue(1.0);
    connect(panel_.get(), &PastePanel::activationChanged, this, [this](bool active) {
        if (!active) {
            windowDidResignKey();
        }
    });
}

PastePanelController::~PastePanelController() {
    removeMonitor();
}

ContentView* PastePanelController::contentView() const {
    return panel_->contentView();
}

bool PastePanelController::isVisible() const {
    return panel_ && panel_->isVisible();
}

QPointF PastePanelController::fromScreenCoordinates(const QPointF& qtPoint) {
    const auto [top, bottom] = desktopExtent();
    return PanelGeometry::flipped(qtPoint, top, bottom);
}

QPointF PastePanelController::toScreenCoordinates(const QPointF& point) {
    const auto [top, bottom] = desktopExtent();
    return PanelGeometry::flipped(point, top, bottom);
}

QPointF PastePanelController::pointerLocation() {
    return fromScreenCoordinates(QCursor::pos());
}

void PastePanelController::show(const QPointF& point) {
    if (!panel_) {
        return;
    }
    model_.syncSelection();

    const auto [top, bottom] = desktopExtent();
    QList<PanelGeometry::Screen> screens;
    std::optional<qsizetype> mainScreen;
    const QList<QScreen*> all = QGuiApplication::screens();
    for (const QScreen* screen : all) {
        if (screen == QGuiApplication::primaryScreen()) {
            mainScreen = screens.size();
        }
        screens.append({PanelGeometry::flipped(QRectF(screen->geometry()), top, bottom),
                        PanelGeometry::flipped(QRectF(screen->availableGeometry()), top, bottom)});
    }
    const QRectF frame = PanelGeometry::frame(point, QSizeF(panel_->size()), screens, mainScreen);
    const QRectF qtFrame = PanelGeometry::flipped(frame, top, bottom);

    const bool composited = CompositingManager::isRunning();
    fade_->stop();
    panel_->setTranslucent(composited);
    panel_->move(qRound(qtFrame.x()), qRound(qtFrame.y()));
    panel_->setWindowOpacity(composited ? 0.0 : 1.0);
    if (!panel_->isVisible()) {
        // Qt marks a tool window as a utility window; the taskbar and pager still list it.
        X11WindowState::addBeforeMapping(*panel_, {QByteArrayLiteral("_NET_WM_STATE_SKIP_TASKBAR"),
                                                   QByteArrayLiteral("_NET_WM_STATE_SKIP_PAGER"),
                                                   QByteArrayLiteral("_NET_WM_STATE_STICKY")});
    }
    panel_->show();
    panel_->raise();
    panel_->activateWindow();
    if (QWindow* window = panel_->windowHandle()) {
        window->requestActivate();
    }
    ContentView* content = panel_->contentView();
    // Return pastes the selected entry: it must be in view whatever happened while hidden.
    content->revealSelection();
    if (content->isShowingHotkeySettings()) {
        content->setShowingHotkeySettings(true); // gives the card the focus
    } else {
        content->focusSearchField();
    }

    removeMonitor();
    installMonitor();

    if (composited) {
        fade_->start();
    }
    emit shown();
}

void PastePanelController::hide() {
    if (!panel_ || !panel_->isVisible()) {
        return;
    }
    removeMonitor();
    fade_->stop();
    panel_->hide();
    emit hidden();
}

void PastePanelController::windowDidResignKey() {
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        return;
    }
    hide();
}

void PastePanelController::installMonitor() {
    if (!localMonitor_) {
        qApp->installEventFilter(this);
        localMonitor_ = true;
    }
}

void PastePanelController::removeMonitor() {
    if (localMonitor_) {
        qApp->removeEventFilter(this);
        localMonitor_ = false;
    }
}

bool PastePanelController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && localMonitor_) {
        return handleKey(watched, static_cast<QKeyEvent*>(event));
    }
    return QObject::eventFilter(watched, event);
}

bool PastePanelController::handleKey(QObject* receiver, QKeyEvent* event) {
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != panel_.get() || QApplication::activePopupWidget()) {
        return false;
    }
    ContentView* content = panel_->contentView();
    // With the settings card up, Return is the card's "Done" and the arrows work its pickers.
    const bool card = content->isShowingHotkeySettings();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (card) {
            return false;
        }
        model_.confirmSelection();
        return true;
    case Qt::Key_Escape:
        hide();
        return true;
    case Qt::Key_Down:
    case Qt::Key_Up:
        if (card) {
            return false;
        }
        model_.moveSelection(event->key() == Qt::Key_Down);
        return true;
    default:
        break;
    }
    QLineEdit* search = content->searchField();
    if (!card && widget != search && !search->isAncestorOf(widget) &&
        !widget->isAncestorOf(search)) {
        // Typing belongs to the search field wherever the focus went.
        search->setFocus(Qt::OtherFocusReason);
        QKeyEvent forwarded(event->type(), event->key(), event->modifiers(), event->text(),
                            event->isAutoRepeat(), static_cast<ushort>(event->count()));
        QCoreApplication::sendEvent(search, &forwarded);
        return true;
    }
    return false;
}

} // namespace quillstack
