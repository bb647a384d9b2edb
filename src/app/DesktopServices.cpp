#include "app/DesktopServices.h"

#include "platform/portal/PortalHotkeyRegistrar.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandServices.h"
#include "platform/x11/X11AccessibilityTrust.h"
#include "platform/x11/X11FallbackKeystroke.h"
#include "platform/x11/X11HotkeyRegistrar.h"
#include "platform/x11/X11KeystrokePoster.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "store/ClipboardManager.h"

#include <QStandardPaths>

#include <cstdio>

namespace quillstack {

struct DesktopServices::X11Services {
    X11Pasteboard pasteboard;
    X11Workspace workspace;
    X11AccessibilityTrust trust;
    X11KeystrokePoster keystrokes;
    X11FallbackKeystroke fallback;
};

namespace {

// Where the shortcut is bound in the compositor to `quillstack --toggle` (the printed advice),
// the program itself registers nothing: registrations are accepted and never pressed.
class CompositorBoundShortcut : public HotkeyRegistrar {
public:
    bool installHandler(PressHandler) override { return true; }
    void removeHandler() override {}
    std::optional<Handle> registerHotkey(quint32, quint32, Identifier) override { return 1; }
    void unregisterHotkey(Handle) override {}
};

void printLine(const QString& line) {
    std::fputs((QStringLiteral("quillstack: ") + line + QLatin1Char('\n')).toLocal8Bit(), stderr);
    std::fflush(stderr);
}

} // namespace

void DesktopServices::preparePlatformPlugin() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

DesktopServices::DesktopServices() {
    DesktopOffer offer;
    if (qEnvironmentVariableIsSet("QUILLSTACK_PLATFORM")) {
        offer.platformOverride = qEnvironmentVariable("QUILLSTACK_PLATFORM");
    }
    offer.x11Display = !qEnvironmentVariableIsEmpty("DISPLAY");
    offer.wtypeInstalled = !QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty();
    wayland_ = WaylandServices::connect();
    if (wayland_) {
        offer.waylandDisplay = true;
        offer.globals = wayland_->globals();
    }
    choice_ = choosePlatform(offer);
    // The portal is asked (a bus round trip) only where the Wayland services are used.
    if (choice_.backend == PlatformChoice::Backend::wayland) {
        offer.globalShortcutsPortal = PortalHotkeyRegistrar::portalOffersShortcuts();
        choice_ = choosePlatform(offer);
    }
    printLine(QStringLiteral("desktop services: ") + choice_.summary());
    for (const QString& missing : std::as_const(choice_.missing)) {
        printLine(missing);
    }

    if (choice_.backend == PlatformChoice::Backend::wayland) {
        wayland_->build(choice_);
        pasteboard_ = wayland_->pasteboard();
        workspace_ = wayland_->workspace();
        trust_ = wayland_->trust();
        keystrokes_ = wayland_->keystrokes();
        fallback_ = wayland_->fallback();
    } else {
        wayland_.reset();
        x11_ = std::make_unique<X11Services>();
        pasteboard_ = &x11_->pasteboard;
        workspace_ = &x11_->workspace;
        trust_ = &x11_->trust;
        keystrokes_ = &x11_->keystrokes;
        fallback_ = &x11_->fallback;
    }
    if (choice_.shortcut == PlatformChoice::Shortcut::portal) {
        hotkeys_ = std::make_unique<PortalHotkeyRegistrar>();
    } else if (choice_.shortcut == PlatformChoice::Shortcut::compositorBinding &&
               !offer.x11Display) {
        hotkeys_ = std::make_unique<CompositorBoundShortcut>();
    } else {
        // Without the portal the key grab still works through XWayland while an X11 window has
        // the keyboard; the printed advice covers the rest.
        hotkeys_ = std::make_unique<X11HotkeyRegistrar>();
    }
}

DesktopServices::~DesktopServices() = default;

void DesktopServices::wakeMonitoring(ClipboardManager& manager) const {
    if (pasteboard_) {
        manager.wakeMonitoringOn(pasteboard_, &Pasteboard::changed);
    }
}

void DesktopServices::cancelReads() const {
    if (x11_) {
        x11_->pasteboard.cancelReads();
    }
}

} // namespace quillstack
