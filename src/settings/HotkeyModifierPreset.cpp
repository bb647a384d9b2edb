#include "settings/HotkeyModifierPreset.h"

#include <nlohmann/json.hpp>

namespace quillstack {

namespace {

using Preset = HotkeyModifierPreset;

struct PresetRow {
    Preset::Value value;
    const char* rawValue;
    const char16_t* label;
    quint32 carbonFlags;
};

// ⌘ U+2318, ⇧ U+21E7, ⌥ U+2325, ⌃ U+2303.
constexpr std::array<PresetRow, 5> presetTable{{
    {Preset::commandShift, "commandShift", u"\u2318\u21E7", Preset::commandBit | Preset::shiftBit},
    {Preset::commandOption, "commandOption", u"\u2318\u2325",
     Preset::commandBit | Preset::optionBit},
    {Preset::commandControl, "commandControl", u"\u2318\u2303",
     Preset::commandBit | Preset::controlBit},
    {Preset::commandOnly, "commandOnly", u"\u2318", Preset::commandBit},
    {Preset::optionShift, "optionShift", u"\u2325\u21E7", Preset::optionBit | Preset::shiftBit},
}};

const PresetRow& rowOf(Preset preset) {
    return presetTable[preset.value()];
}

} // namespace

std::optional<HotkeyModifierPreset> HotkeyModifierPreset::fromRawValue(QStringView rawValue) {
    for (const PresetRow& row : presetTable) {
        if (rawValue == QLatin1String(row.rawValue)) {
            return HotkeyModifierPreset(row.value);
        }
    }
    return std::nullopt;
}

const std::array<HotkeyModifierPreset, 5>& HotkeyModifierPreset::allCases() {
    static const std::array<HotkeyModifierPreset, 5> cases{
        commandShift, commandOption, commandControl, commandOnly, optionShift};
    return cases;
}

QString HotkeyModifierPreset::rawValue() const {
    return QString::fromLatin1(rowOf(*this).rawValue);
}

QString HotkeyModifierPreset::label() const {
    return QString::fromUtf16(rowOf(*this).label);
}

quint32 HotkeyModifierPreset::carbonFlags() const {
    return rowOf(*this).carbonFlags;
}

nlohmann::ordered_json HotkeyModifierPreset::toJson() const {
    return rowOf(*this).rawValue;
}

std::optional<HotkeyModifierPreset>
HotkeyModifierPreset::fromJson(const nlohmann::ordered_json& json) {
    if (!json.is_string()) {
        return std::nullopt;
    }
    return fromRawValue(QString::fromStdString(json.get_ref<const std::string&>()));
}

} // namespace quillstack
