#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringView>

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>

namespace quillstack {

// The modifier keys of the global shortcut: one of five fixed combinations. Its raw value is the
// case name.
class HotkeyModifierPreset {
public:
    enum Value : std::uint8_t {
        commandShift,
        commandOption,
        commandControl,
        commandOnly,
        optionShift
    };

    // The modifier bits that carbonFlags combines.
    static constexpr quint32 commandBit = 0x0100;
    static constexpr quint32 shiftBit = 0x0200;
    static constexpr quint32 optionBit = 0x0800;
    static constexpr quint32 controlBit = 0x1000;

    constexpr HotkeyModifierPreset(Value value) : value_(value) {} // NOLINT: implicit from a case

    // Succeeds only on an exact, case-sensitive match of a raw value.
    static std::optional<HotkeyModifierPreset> fromRawValue(QStringView rawValue);
    static const std::array<HotkeyModifierPreset, 5>& allCases();

    constexpr Value value() const { return value_; }
    QString rawValue() const;
    QString id() const { return rawValue(); }
    // The key symbols, Command first and Shift last, such as "⌘⇧".
    QString label() const;
    // The modifier mask: the OR of commandBit, shiftBit, optionBit and controlBit.
    quint32 carbonFlags() const;

    // The JSON form is the raw value as a string; decoding is strict.
    nlohmann::ordered_json toJson() const;
    static std::optional<HotkeyModifierPreset> fromJson(const nlohmann::ordered_json& json);

    friend constexpr bool operator==(HotkeyModifierPreset, HotkeyModifierPreset) = default;
    friend size_t qHash(HotkeyModifierPreset preset, size_t seed = 0) {
        return ::qHash(int(preset.value_), seed);
    }

private:
    Value value_;
};

} // namespace quillstack
