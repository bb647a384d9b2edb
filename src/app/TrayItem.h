#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace quillstack {

// The program's item in the system tray: the logo (or the "paperclip.circle" symbol when there
// is none), the tooltip "Quillstack" and a menu with "Open Clipboard History", a separator and
// "Quit Quillstack" (Ctrl+Q). A click on the item opens the same menu. The item asks for
// nothing itself: it announces the two choices.
//
// Where no system tray runs, the program goes on without one: that is said once per process
// on standard error, and the item appears by itself if a tray starts later.
class TrayItem : public QObject {
    Q_OBJECT

public:
    static const QString& toolTip();
    static const QString& fallbackSymbol();
    static const QString& missingTrayMessage();

    // logo: the image to show; nothing shows the fallback symbol.
    explicit TrayItem(const std::optional<QImage>& logo, QObject* parent = nullptr);
    ~TrayItem() override;

    QSystemTrayIcon& icon() const { return *icon_; }
    QMenu& menu() const { return *menu_; }
    QAction* openHistoryAction() const { return openHistory_; }
    QAction* quitAction() const { return quit_; }
    bool showsFallbackSymbol() const { return showsFallbackSymbol_; }

signals:
    void openHistoryRequested();
    void quitRequested();

private:
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QAction* openHistory_ = nullptr;
    QAction* quit_ = nullptr;
    bool showsFallbackSymbol_ = false;
};

} // namespace quillstack
