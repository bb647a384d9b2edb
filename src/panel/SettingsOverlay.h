#pragma once

#include <QWidget>

#include <functional>

namespace quillstack {

class AppSettings;
class HotkeySettingsView;

// The layer that lays the shortcut settings card over the panel: a dark rounded layer over the
// whole panel with the card centred on it. A click on the layer outside the card dismisses it.
class SettingsOverlay : public QWidget {
    Q_OBJECT

public:
    // `onDismiss` runs for a click outside the card and for the card's "Done".
    SettingsOverlay(AppSettings& settings, std::function<void()> onDismiss,
                    QWidget* parent = nullptr);

    HotkeySettingsView* card() const { return card_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<void()> onDismiss_;
    HotkeySettingsView* card_ = nullptr;
};

} // namespace quillstack
