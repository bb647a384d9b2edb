#pragma once

#include <QWidget>

namespace quillstack {

class ContentView;

// The history panel's window: a frameless, always-on-top tool window of the content view's
// size that stays out of the taskbar. It can take the keyboard; it reports every change of its
// activation so that its controller can hide it when it loses the keyboard.
class PastePanel : public QWidget {
    Q_OBJECT

public:
    // Takes the content view as its only child.
    explicit PastePanel(ContentView* content, QWidget* parent = nullptr);

    ContentView* contentView() const { return content_; }

    // Translucent card over a transparent window where a compositing manager runs; otherwise
    // an opaque card and a window shaped to it. Recreates the native window when the choice
    // changes after it exists.
    void setTranslucent(bool translucent);
    bool isTranslucent() const { return translucent_; }

signals:
    void activationChanged(bool active);

protected:
    void changeEvent(QEvent* event) override;

private:
    ContentView* content_;
    bool translucent_ = true;
};

} // namespace quillstack
