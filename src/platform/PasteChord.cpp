#include "platform/PasteChord.h"

#include <array>

namespace quillstack {

namespace {

// WM_CLASS classes and Wayland app ids of terminal emulators whose clipboard paste is
// Control+Shift+V.
constexpr std::array<std::u16string_view, 39> terminalClasses = {
    u"gnome-terminal-server",    // GNOME Terminal
    u"gnome-terminal",           // GNOME Terminal (older releases)
    u"org.gnome.Console",        // GNOME Console
    u"kgx",                      // GNOME Console (older releases)
    u"org.gnome.Ptyxis",         // Ptyxis
    u"konsole",                  // Konsole
    u"yakuake",                  // Yakuake
    u"xfce4-terminal",           // Xfce Terminal
    u"tilix",                    // Tilix
    u"terminix",                 // Tilix (older releases)
    u"terminator",               // Terminator
    u"alacritty",                // Alacritty
    u"kitty",                    // kitty
    u"org.wezfurlong.wezterm",   // WezTerm
    u"foot",                     // foot
    u"footclient",               // foot (client mode)
    u"com.mitchellh.ghostty",    // Ghostty
    u"urxvt",                    // rxvt-unicode
    u"xterm",                    // XTerm
    u"uxterm",                   // XTerm (UTF-8 wrapper)
    u"st",                       // st
    u"st-256color",              // st
    u"lxterminal",               // LXTerminal
    u"mate-terminal",            // MATE Terminal
    u"qterminal",                // QTerminal
    u"terminology",              // Terminology
    u"guake",                    // Guake
    u"tilda",                    // Tilda
    u"sakura",                   // Sakura
    u"roxterm",                  // ROXTerm
    u"deepin-terminal",          // Deepin Terminal
    u"io.elementary.terminal",   // elementary Terminal
    u"com.raggesilver.blackbox", // Black Box
    u"contour",                  // Contour
    // Wayland app ids that differ from the X11 classes above.
    u"org.kde.konsole",    // Konsole
    u"org.kde.yakuake",    // Yakuake
    u"org.gnome.Terminal", // GNOME Terminal
    u"com.gexperts.Tilix", // Tilix
    u"wezterm",            // WezTerm (older releases)
};

} // namespace

bool isTerminalWindowClass(QStringView windowClass) {
    for (const auto& known : terminalClasses) {
        if (windowClass.compare(QStringView(known.data(), qsizetype(known.size())),
                                Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

PasteChord pasteChordForWindowClass(const std::optional<QString>& windowClass) {
    if (windowClass && isTerminalWindowClass(*windowClass)) {
        return PasteChord::controlShiftV;
    }
    return PasteChord::controlV;
}

} // namespace quillstack
