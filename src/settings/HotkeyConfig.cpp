#include "settings/HotkeyConfig.h"

#include <QStringList>

#include <nlohmann/json.hpp>

#include <array>
#include <utility>

namespace quillstack {

QString HotkeyConfig::displayString() const {
    return modifiers.label() + key.label();
}

QString HotkeyConfig::keyboardNames() const {
    using Preset = HotkeyModifierPreset;
    static const std::array<std::pair<quint32, const char*>, 4> names{{
        {Preset::commandBit, "Super"},
        {Preset::controlBit, "Ctrl"},
        {Preset::optionBit, "Alt"},
        {Preset::shiftBit, "Shift"},
    }};
    QStringList parts;
    for (const auto& [bit, name] : names) {
        if (modifiers.carbonFlags() & bit) {
            parts << QString::fromLatin1(name);
        }
    }
    parts << key.label();
    return parts.join(QLatin1Char('+'));
}

nlohmann::ordered_json HotkeyConfig::toJson() const {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["key"] = key.toJson();
    json["modifiers"] = modifiers.toJson();
    return json;
}

std::optional<HotkeyConfig> HotkeyConfig::fromJson(const nlohmann::ordered_json& json) {
    if (!json.is_object() || !json.contains("key") || !json.contains("modifiers")) {
        return std::nullopt;
    }
    const std::optional<HotkeyKey> key = HotkeyKey::fromJson(json.at("key"));
    const std::optional<HotkeyModifierPreset> modifiers =
        HotkeyModifierPreset::fromJson(json.at("modifiers"));
    if (!key || !modifiers) {
        return std::nullopt;
    }
    return HotkeyConfig{*key, *modifiers};
}

} // namespace quillstack
