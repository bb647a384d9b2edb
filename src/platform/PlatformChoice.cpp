#include "platform/PlatformChoice.h"

namespace quillstack {

namespace {

bool offers(const DesktopOffer& offer, const char* global, quint32 minimumVersion = 1) {
    return offer.globals.value(QLatin1String(global), 0) >= minimumVersion;
}

// org_kde_kwin_fake_input sends keys from version 4 on.
constexpr quint32 fakeInputKeyboardVersion = 4;

PlatformChoice x11Services(const DesktopOffer& offer) {
    PlatformChoice choice;
    if (!offer.x11Display) {
        choice.missing.append(QStringLiteral("no X11 display (DISPLAY is not set): nothing is "
                                             "recorded, pasted or bound"));
    } else if (offer.waylandDisplay) {
        choice.missing.append(
            QStringLiteral("the Wayland compositor offers no clipboard manager protocol: copies "
                           "and the shortcut are seen only while an X11 window has the keyboard, "
                           "and pastes reach only X11 windows"));
    }
    return choice;
}

PlatformChoice waylandServices(const DesktopOffer& offer) {
    using Choice = PlatformChoice;
    Choice choice;
    choice.backend = Choice::Backend::wayland;

    if (offers(offer, WaylandGlobal::extDataControl)) {
        choice.clipboard = Choice::Clipboard::extDataControl;
    } else if (offers(offer, WaylandGlobal::wlrDataControl)) {
        choice.clipboard = Choice::Clipboard::wlrDataControl;
    } else {
        choice.clipboard = Choice::Clipboard::none;
        choice.missing.append(QStringLiteral("no data-control protocol: nothing is recorded"));
    }

    if (offers(offer, WaylandGlobal::foreignToplevel)) {
        choice.frontWindow = Choice::FrontWindow::wlrForeignToplevel;
    } else if (offers(offer, WaylandGlobal::plasmaWindowManagement)) {
        choice.frontWindow = Choice::FrontWindow::plasmaWindowManagement;
    } else {
        choice.frontWindow = Choice::FrontWindow::none;
        choice.missing.append(QStringLiteral(
            "no window list: entries have no source application and the window pasted into is "
            "not activated first"));
    }

    if (offers(offer, WaylandGlobal::virtualKeyboard)) {
        choice.keystroke = Choice::Keystroke::virtualKeyboard;
    } else if (offers(offer, WaylandGlobal::kdeFakeInput, fakeInputKeyboardVersion)) {
        choice.keystroke = Choice::Keystroke::kdeFakeInput;
    } else {
        choice.keystroke = Choice::Keystroke::none;
        choice.missing.append(QStringLiteral(
            "no virtual keyboard or fake input: pasting needs wtype (on KDE, install "
            "quillstack.desktop so that KWin grants fake input)"));
    }

    choice.fallback = offer.wtypeInstalled ? Choice::Fallback::wtype : Choice::Fallback::none;
    if (choice.keystroke == Choice::Keystroke::none && !offer.wtypeInstalled) {
        choice.missing.append(QStringLiteral("wtype is not installed: nothing is pasted"));
    }

    if (offer.globalShortcutsPortal) {
        choice.shortcut = Choice::Shortcut::portal;
    } else {
        choice.shortcut = Choice::Shortcut::compositorBinding;
        choice.missing.append(QStringLiteral(
            "no GlobalShortcuts portal: bind `quillstack --toggle` to a key in the compositor"));
    }

    if (!offer.x11Display) {
        choice.missing.append(QStringLiteral(
            "no XWayland (DISPLAY is not set): the panel cannot be placed at the pointer"));
    }
    return choice;
}

} // namespace

PlatformChoice choosePlatform(const DesktopOffer& offer) {
    const bool dataControl = offers(offer, WaylandGlobal::extDataControl) ||
                             offers(offer, WaylandGlobal::wlrDataControl);
    const QString requested = offer.platformOverride.value_or(QString()).trimmed().toLower();
    PlatformChoice choice;
    QString note;
    if (requested == QLatin1String("x11")) {
        choice = x11Services(offer);
    } else if (requested == QLatin1String("wayland") && offer.waylandDisplay) {
        choice = waylandServices(offer);
    } else {
        if (requested == QLatin1String("wayland")) {
            note = QStringLiteral("QUILLSTACK_PLATFORM=wayland, but no Wayland compositor answers");
        } else if (!requested.isEmpty()) {
            note = QStringLiteral("QUILLSTACK_PLATFORM=%1 is not x11 or wayland; ignored")
                       .arg(*offer.platformOverride);
        }
        choice = offer.waylandDisplay && dataControl ? waylandServices(offer) : x11Services(offer);
    }
    if (!note.isEmpty()) {
        choice.missing.prepend(note);
    }
    return choice;
}

QString PlatformChoice::summary() const {
    if (backend == Backend::x11) {
        return QStringLiteral("X11 (clipboard, window, XTest keys, key grab)");
    }
    static const char* const clipboards[] = {"X11", "ext-data-control", "wlr-data-control", "none"};
    static const char* const windows[] = {"X11", "wlr-foreign-toplevel", "plasma-window-management",
                                          "none"};
    static const char* const keys[] = {"XTest", "virtual-keyboard", "kde-fake-input", "none"};
    static const char* const fallbacks[] = {"xdotool", "wtype", "none"};
    static const char* const shortcuts[] = {"key grab", "GlobalShortcuts portal",
                                            "compositor binding"};
    return QStringLiteral("Wayland (clipboard: %1, window: %2, keys: %3, fallback: %4, "
                          "shortcut: %5)")
        .arg(QLatin1String(clipboards[int(clipboard)]), QLatin1String(windows[int(frontWindow)]),
             QLatin1String(keys[int(keystroke)]), QLatin1String(fallbacks[int(fallback)]),
             QLatin1String(shortcuts[int(shortcut)]));
}

} // namespace quillstack
