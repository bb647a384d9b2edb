#pragma once

#include "platform/PlatformChoice.h"

#include <memory>

namespace quillstack {

class AccessibilityTrust;
class ClipboardManager;
class FallbackKeystroke;
class HotkeyRegistrar;
class KeystrokePoster;
class Pasteboard;
class WaylandServices;
class Workspace;
class X11Pasteboard;

// The desktop services chosen at start: the native Wayland ones where the compositor lets a
// clipboard manager work (see choosePlatform), the X11 ones otherwise. Needs the QApplication.
class DesktopServices {
public:
    // Looks at the environment and the compositor's globals, prints the choice and every
    // missing capability once on standard error, and makes the services.
    DesktopServices();
    ~DesktopServices();
    DesktopServices(const DesktopServices&) = delete;
    DesktopServices& operator=(const DesktopServices&) = delete;

    // What to ask of the environment before the QApplication exists: the Qt platform the panel
    // needs (xcb whenever there is an X11 display, XWayland included).
    static void preparePlatformPlugin();

    const PlatformChoice& choice() const { return choice_; }

    Pasteboard* pasteboard() const { return pasteboard_; }
    Workspace* workspace() const { return workspace_; }
    AccessibilityTrust* trust() const { return trust_; }
    KeystrokePoster* keystrokes() const { return keystrokes_; }
    FallbackKeystroke* fallback() const { return fallback_; }
    HotkeyRegistrar* hotkeys() const { return hotkeys_.get(); }

    // Lets the clipboard's change notification wake the manager's monitor.
    void wakeMonitoring(ClipboardManager& manager) const;
    // Gives up a clipboard read still waiting for its owner (at shutdown). The Wayland reads
    // end by themselves within their time-out.
    void cancelReads() const;

private:
    struct X11Services;

    PlatformChoice choice_;
    std::unique_ptr<X11Services> x11_;
    std::unique_ptr<WaylandServices> wayland_;
    std::unique_ptr<HotkeyRegistrar> hotkeys_;
    Pasteboard* pasteboard_ = nullptr;
    Workspace* workspace_ = nullptr;
    AccessibilityTrust* trust_ = nullptr;
    KeystrokePoster* keystrokes_ = nullptr;
    FallbackKeystroke* fallback_ = nullptr;
};

} // namespace quillstack
