#pragma once

#include "settings/HotkeyKey.h"
#include "settings/HotkeyModifierPreset.h"

#include <QString>

#include <nlohmann/json_fwd.hpp>

#include <optional>

namespace quillstack {

// The global shortcut: one letter with one modifier combination.
struct HotkeyConfig {
    HotkeyKey key = HotkeyKey::v;
    HotkeyModifierPreset modifiers = HotkeyModifierPreset::commandShift;

    // ⌘⇧V: the first case of each enumeration.
    static HotkeyConfig defaultConfig() { return {}; }

    // The modifiers' label followed by the key's label, such as "⌘⇧V".
    QString displayString() const;
    // The same shortcut in the names printed on a PC keyboard, such as "Super+Shift+V": Super
    // for Command, then Ctrl, Alt and Shift, joined by "+".
    QString keyboardNames() const;

    // {"key":"v","modifiers":"commandShift"}. Decoding needs both members as valid raw values;
    // any other member is ignored.
    nlohmann::ordered_json toJson() const;
    static std::optional<HotkeyConfig> fromJson(const nlohmann::ordered_json& json);

    friend bool operator==(const HotkeyConfig&, const HotkeyConfig&) = default;
};

} // namespace quillstack
