#include "settings/SettingsJson.h"

#include <nlohmann/json.hpp>

namespace quillstack {

std::optional<PersistedSettings> SettingsJson::decode(const QByteArray& bytes) {
    using Json = nlohmann::ordered_json;
    // The parser reports the depth of every value it starts; a value too deep marks the file
    // and is discarded, so that nothing deep is ever built.
    bool tooDeep = false;
    const Json::parser_callback_t bounded = [&tooDeep](int depth, Json::parse_event_t event,
                                                       Json&) {
        const bool opens =
            event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
        if (opens && depth >= maxNesting) {
            tooDeep = true;
        }
        return !tooDeep;
    };
    const Json json = Json::parse(bytes.begin(), bytes.end(), bounded, false);
    if (tooDeep || !json.is_object() || !json.contains("hotkeyConfig") ||
        !json.contains("launchAtLogin")) {
        return std::nullopt;
    }
    const std::optional<HotkeyConfig> config = HotkeyConfig::fromJson(json.at("hotkeyConfig"));
    const Json& launchAtLogin = json.at("launchAtLogin");
    if (!config || !launchAtLogin.is_boolean()) {
        return std::nullopt;
    }
    return PersistedSettings{*config, launchAtLogin.get<bool>()};
}

QByteArray SettingsJson::encode(const PersistedSettings& settings) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["hotkeyConfig"] = settings.hotkeyConfig.toJson();
    json["launchAtLogin"] = settings.launchAtLogin;
    return QByteArray::fromStdString(json.dump());
}

} // namespace quillstack
