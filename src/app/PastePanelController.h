#pragma once

#include <QObject>
#include <QPointF>

#include <memory>

class QKeyEvent;
class QPropertyAnimation;

namespace quillstack {

class AppSettings;
class ClipboardManager;
class ContentView;
class PanelViewModel;
class PastePanel;

// Owns the history panel's window for the life of the process: builds it around the content
// view, shows it centred on a point and clamped inside the visible area of the screen under
// it, fades it in where a compositing manager runs, gives it the keyboard, and hides it on
// Escape, on request and when it loses the keyboard (unless a modal window or a pop-up list is
// up). While the panel shows, one key handler turns Return and keypad Enter (any modifiers)
// into confirmSelection, Escape into hide, and Up and Down into moveSelection; every other key
// goes on to the search field.
class PastePanelController : public QObject {
    Q_OBJECT

public:
    static constexpr int fadeDurationMs = 120;

    // The three objects must outlive the controller. The panel is built hidden.
    PastePanelController(ClipboardManager& manager, PanelViewModel& model, AppSettings& settings,
                         QObject* parent = nullptr);
    ~PastePanelController() override;

    bool isVisible() const;
    // Shows the panel centred on `point`, given with the origin at the bottom left of the
    // desktop and y growing upwards (pointerLocation() gives the pointer that way). Showing a
    // visible panel moves it and fades it in again.
    void show(const QPointF& point);
    void hide();

    // The pointer's position in the convention show() takes.
    static QPointF pointerLocation();
    // A point in Qt's global coordinates in the convention show() takes, and back.
    static QPointF fromScreenCoordinates(const QPointF& qtPoint);
    static QPointF toScreenCoordinates(const QPointF& point);

    PastePanel* panel() const { return panel_.get(); }
    ContentView* contentView() const;
    // Whether the key handler is installed (exactly while the panel shows).
    bool hasKeyMonitor() const { return localMonitor_; }

signals:
    void shown();
    void hidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowDidResignKey();
    void installMonitor();
    void removeMonitor();
    bool handleKey(QObject* receiver, QKeyEvent* event);

    PanelViewModel& model_;
    std::unique_ptr<PastePanel> panel_;
    QPropertyAnimation* fade_ = nullptr;
    bool localMonitor_ = false;
};

} // namespace quillstack
