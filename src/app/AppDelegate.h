#pragma once

#include "platform/RunningApplication.h"
#include "store/ClipboardManager.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace quillstack {

class AppSettings;
class ClipboardEntry;
class HotkeyMonitor;
class HotkeyRegistrar;
class LoginItemService;
class PanelPresenter;
class PanelViewModel;
class TrayItem;

// The top of the program. It owns the settings, the history store, the panel's view model and
// window, the global shortcut and the tray item, wires them together at launch, opens and
// closes the panel, pastes the chosen entry into the window the user came from, and shuts the
// shortcut and the polling loop down at the end.
//
// Construction reads settings.json and history.json; applicationDidFinishLaunching() does the
// rest of the start-up. Everything runs on the GUI thread.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // Delay between asking the previous window to come back and the paste keystroke.
    static constexpr std::chrono::milliseconds pasteKeystrokeDelay{80};

    using PanelFactory = std::function<std::unique_ptr<PanelPresenter>(
        ClipboardManager&, PanelViewModel&, AppSettings&)>;

    // The desktop as the delegate reaches it; every service must outlive the delegate.
    struct Services {
        // What the history store reaches (its data location is also the settings').
        ClipboardManager::Services store;
        LoginItemService* loginItems = nullptr;
        HotkeyRegistrar* hotkeys = nullptr;
        // Builds the panel window; nothing builds none (the panel then never shows).
        PanelFactory makePanel;
        // Whether start-up puts an item in the system tray.
        bool showsTrayItem = true;
    };

    // store.locations, loginItems and hotkeys are required.
    explicit AppDelegate(Services services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence: the application icon, the Accessibility check, the polling loop,
    // the view model and the panel, the callbacks, the shortcut and the tray item.
    void applicationDidFinishLaunching();
    // The shutdown sequence: the shortcut, then the polling loop. Nothing is saved.
    void applicationWillTerminate();

    // Hides a visible panel; otherwise remembers the window in front (unless it is one of ours)
    // and shows the panel at the pointer.
    void togglePanel();
    // Shows the panel at the pointer unless it already shows.
    void openPanel();
    // Hides the panel, writes the entry to the clipboard (ignoring that change), brings the
    // remembered window back and sends the paste keystroke pasteKeystrokeDelay later.
    void performPaste(const ClipboardEntry& entry);

    // The tray menu's two actions.
    void openHistory() { togglePanel(); }
    void quitApp();

    AppSettings& settings() const { return *settings_; }
    ClipboardManager& manager() const { return *manager_; }
    PanelViewModel* model() const { return model_.get(); }
    PanelPresenter* panel() const { return panel_.get(); }
    HotkeyMonitor& hotkey() const { return *hotkey_; }
    TrayItem* statusItem() const { return statusItem_.get(); }
    const std::optional<RunningApplication>& previousApp() const { return previousApp_; }

signals:
    // quitApp() was asked for; the owner of the event loop ends it.
    void terminationRequested();

private:
    // Makes the logo the application icon, once.
    void setApplicationIcon();

    Services services_;
    // Declaration order is construction order: settings, store, (view model, panel),
    // shortcut, (tray item).
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<ClipboardManager> manager_;
    std::unique_ptr<PanelViewModel> model_;
    std::unique_ptr<PanelPresenter> panel_;
    std::unique_ptr<HotkeyMonitor> hotkey_;
    std::unique_ptr<TrayItem> statusItem_;
    std::optional<RunningApplication> previousApp_;
    bool applicationIconSet_ = false;
};

} // namespace quillstack
