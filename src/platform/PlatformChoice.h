#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillstack {

// What the desktop offers at start-up, as seen from outside any toolkit: the environment and,
// under Wayland, the globals the compositor advertises to this program (name to version).
struct DesktopOffer {
    std::optional<QString> platformOverride; // QUILLSTACK_PLATFORM
    bool waylandDisplay = false;             // WAYLAND_DISPLAY names a reachable compositor
    bool x11Display = false;                 // DISPLAY is set (X11, or XWayland beside Wayland)
    QHash<QString, quint32> globals;         // advertised Wayland globals
    bool globalShortcutsPortal = false;      // a portal backend implements GlobalShortcuts
    bool wtypeInstalled = false;
};

// The desktop services the program uses, each picked from what is offered.
struct PlatformChoice {
    enum class Backend { x11, wayland };
    enum class Clipboard { x11, extDataControl, wlrDataControl, none };
    enum class FrontWindow { x11, wlrForeignToplevel, plasmaWindowManagement, none };
    enum class Keystroke { xtest, virtualKeyboard, kdeFakeInput, none };
    enum class Fallback { xdotool, wtype, none };
    enum class Shortcut { x11Grab, portal, compositorBinding };

    Backend backend = Backend::x11;
    Clipboard clipboard = Clipboard::x11;
    FrontWindow frontWindow = FrontWindow::x11;
    Keystroke keystroke = Keystroke::xtest;
    Fallback fallback = Fallback::xdotool;
    Shortcut shortcut = Shortcut::x11Grab;
    // One sentence per capability the desktop lacks, in a fixed order.
    QStringList missing;

    bool operator==(const PlatformChoice&) const = default;

    // The one line printed at start: the backend and the service picked for each capability.
    QString summary() const;
};

// QUILLSTACK_PLATFORM=x11|wayland overrides; otherwise a Wayland compositor that offers a
// data-control protocol gets the Wayland services, and everything else (GNOME, a bare X11
// session) the X11 ones.
PlatformChoice choosePlatform(const DesktopOffer& offer);

// Wayland global names the choice looks at.
namespace WaylandGlobal {
inline constexpr const char* extDataControl = "ext_data_control_manager_v1";
inline constexpr const char* wlrDataControl = "zwlr_data_control_manager_v1";
inline constexpr const char* foreignToplevel = "zwlr_foreign_toplevel_manager_v1";
inline constexpr const char* plasmaWindowManagement = "org_kde_plasma_window_management";
inline constexpr const char* virtualKeyboard = "zwp_virtual_keyboard_manager_v1";
inline constexpr const char* kdeFakeInput = "org_kde_kwin_fake_input";
} // namespace WaylandGlobal

} // namespace quillstack
