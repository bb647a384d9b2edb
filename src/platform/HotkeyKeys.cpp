#include "platform/HotkeyKeys.h"

#include <array>

namespace quillstack {

namespace {

struct LetterKey {
    quint32 keyCode;
    char letter;
};
constexpr std::array<LetterKey, 26> letterKeys{{
    {0x00, 'a'}, {0x01, 's'}, {0x02, 'd'}, {0x03, 'f'}, {0x04, 'h'}, {0x05, 'g'}, {0x06, 'z'},
    {0x07, 'x'}, {0x08, 'c'}, {0x09, 'v'}, {0x0B, 'b'}, {0x0C, 'q'}, {0x0D, 'w'}, {0x0E, 'e'},
    {0x0F, 'r'}, {0x10, 'y'}, {0x11, 't'}, {0x1F, 'o'}, {0x20, 'u'}, {0x22, 'i'}, {0x23, 'p'},
    {0x25, 'l'}, {0x26, 'j'}, {0x28, 'k'}, {0x2D, 'n'}, {0x2E, 'm'},
}};

struct ModifierName {
    quint32 flag;
    const char* name;
};
// In the order the XDG notation conventionally writes them.
constexpr std::array<ModifierName, 4> modifierNames{{
    {0x1000, "CTRL"},
    {0x0800, "ALT"},
    {0x0200, "SHIFT"},
    {0x0100, "LOGO"},
}};

} // namespace

std::optional<char> letterForKeyCode(quint32 keyCode) {
    for (const LetterKey& key : letterKeys) {
        if (key.keyCode == keyCode) {
            return key.letter;
        }
    }
    return std::nullopt;
}

std::optional<QString> xdgShortcutTrigger(quint32 keyCode, quint32 modifierFlags) {
    const std::optional<char> letter = letterForKeyCode(keyCode);
    if (!letter) {
        return std::nullopt;
    }
    QString trigger;
    quint32 known = 0;
    for (const ModifierName& modifier : modifierNames) {
        if (modifierFlags & modifier.flag) {
            trigger += QLatin1String(modifier.name) + QLatin1Char('+');
            known |= modifier.flag;
        }
    }
    if (modifierFlags & ~known) {
        return std::nullopt;
    }
    return trigger + QLatin1Char(*letter);
}

} // namespace quillstack
