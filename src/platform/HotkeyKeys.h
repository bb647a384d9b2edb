#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace quillstack {

// The lower-case Latin letter on the key with that US-ANSI virtual key code; nothing for any
// other key.
std::optional<char> letterForKeyCode(quint32 keyCode);

// The combination in the XDG shortcut notation that the GlobalShortcuts portal takes as a
// preferred trigger ("LOGO+SHIFT+v"): Command is LOGO, Option ALT. Nothing for a key that is
// not a letter or an unknown modifier bit.
std::optional<QString> xdgShortcutTrigger(quint32 keyCode, quint32 modifierFlags);

} // namespace quillstack
