#include "settings/HotkeyKey.h"

#include <nlohmann/json.hpp>

namespace quillstack {

namespace {

struct KeyRow {
    HotkeyKey::Value value;
    const char* rawValue;
    quint32 carbonKeyCode;
};

// Declaration order is the order pickers show.
constexpr std::array<KeyRow, 7> keyTable{{
    {HotkeyKey::v, "v", 9},
    {HotkeyKey::c, "c", 8},
    {HotkeyKey::x, "x", 7},
    {HotkeyKey::z, "z", 6},
    {HotkeyKey::b, "b", 11},
    {HotkeyKey::p, "p", 35},
    {HotkeyKey::k, "k", 40},
}};

const KeyRow& rowOf(HotkeyKey key) {
    return keyTable[key.value()];
}

} // namespace

std::optional<HotkeyKey> HotkeyKey::fromRawValue(QStringView rawValue) {
    for (const KeyRow& row : keyTable) {
        if (rawValue == QLatin1String(row.rawValue)) {
            return HotkeyKey(row.value);
        }
    }
    return std::nullopt;
}

const std::array<HotkeyKey, 7>& HotkeyKey::allCases() {
    static const std::array<HotkeyKey, 7> cases{v, c, x, z, b, p, k};
    return cases;
}

QString HotkeyKey::rawValue() const {
    return QString::fromLatin1(rowOf(*this).rawValue);
}

QString HotkeyKey::label() const {
    return rawValue().toUpper();
}

quint32 HotkeyKey::carbonKeyCode() const {
    return rowOf(*this).carbonKeyCode;
}

nlohmann::ordered_json HotkeyKey::toJson() const {
    return rowOf(*this).rawValue;
}

std::optional<HotkeyKey> HotkeyKey::fromJson(const nlohmann::ordered_json& json) {
    if (!json.is_string()) {
        return std::nullopt;
    }
    return fromRawValue(QString::fromStdString(json.get_ref<const std::string&>()));
}

} // namespace quillstack
