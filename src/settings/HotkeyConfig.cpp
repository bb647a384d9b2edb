#include "settings/HotkeyConfig.h"

#include <nlohmann/json.hpp>

namespace quillstack {

QString HotkeyConfig::displayString() const {
    return modifiers.label() + key.label();
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
