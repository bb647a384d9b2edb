#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringView>

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>

namespace quillstack {

// The letter of the global shortcut: one of seven fixed keys. Its raw value is the case name.
class HotkeyKey {
public:
    enum Value : std::uint8_t { v, c, x, z, b, p, k };

    constexpr HotkeyKey(Value value) : value_(value) {} // NOLINT: a case converts implicitly

    // Succeeds only on an exact, case-sensitive match of a raw value ("v", never "V").
    static std::optional<HotkeyKey> fromRawValue(QStringView rawValue);
    static const std::array<HotkeyKey, 7>& allCases();

    constexpr Value value() const { return value_; }
    QString rawValue() const;
    QString id() const { return rawValue(); }
    // The upper-case letter shown to the user.
    QString label() const;
    // The virtual key code of the letter's position on the US-ANSI layout.
    quint32 carbonKeyCode() const;

    // The JSON form is the raw value as a string; decoding is strict.
    nlohmann::ordered_json toJson() const;
    static std::optional<HotkeyKey> fromJson(const nlohmann::ordered_json& json);

    friend constexpr bool operator==(HotkeyKey, HotkeyKey) = default;
    friend size_t qHash(HotkeyKey key, size_t seed = 0) { return ::qHash(int(key.value_), seed); }

private:
    Value value_;
};

} // namespace quillstack
