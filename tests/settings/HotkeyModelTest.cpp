#include "settings/HotkeyConfig.h"

#include <QSet>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quillstack {
namespace {

using Json = nlohmann::ordered_json;

TEST(HotkeyModel, TablesAndLabels) {
    EXPECT_EQ(HotkeyConfig::defaultConfig().displayString(), QStringLiteral("⌘⇧V"));
    EXPECT_EQ(HotkeyConfig::defaultConfig(),
              (HotkeyConfig{HotkeyKey::allCases()[0], HotkeyModifierPreset::allCases()[0]}));
    EXPECT_EQ((HotkeyConfig{HotkeyKey::c, HotkeyModifierPreset::commandOnly}).displayString(),
              QStringLiteral("⌘C"));
    EXPECT_EQ((HotkeyConfig{HotkeyKey::p, HotkeyModifierPreset::optionShift}).displayString(),
              QStringLiteral("⌥⇧P"));
    EXPECT_EQ(HotkeyModifierPreset(HotkeyModifierPreset::commandControl).label(),
              QString::fromUtf16(u"\u2318\u2303"));
    EXPECT_EQ(HotkeyModifierPreset(HotkeyModifierPreset::commandOption).carbonFlags(), 0x0900u);
    EXPECT_EQ(HotkeyModifierPreset(HotkeyModifierPreset::commandControl).carbonFlags(), 0x1100u);
    EXPECT_EQ(HotkeyModifierPreset(HotkeyModifierPreset::optionShift).carbonFlags(), 0x0A00u);
    EXPECT_EQ(HotkeyKey(HotkeyKey::b).carbonKeyCode(), 11u);
    EXPECT_EQ(HotkeyKey(HotkeyKey::k).carbonKeyCode(), 40u);
    EXPECT_EQ(HotkeyKey(HotkeyKey::z).id(), QStringLiteral("z"));

    QStringList keys;
    for (const HotkeyKey key : HotkeyKey::allCases()) {
        keys << key.rawValue();
        EXPECT_EQ(key.label(), key.rawValue().toUpper());
    }
    EXPECT_EQ(keys.join(QString()), QStringLiteral("vcxzbpk"));
}

TEST(HotkeyModel, PcKeyboardNamesFollowTheModifierBits) {
    const std::pair<HotkeyConfig, const char*> cases[] = {
        {HotkeyConfig::defaultConfig(), "Super+Shift+V"},
        {{HotkeyKey::k, HotkeyModifierPreset::commandOption}, "Super+Alt+K"},
        {{HotkeyKey::x, HotkeyModifierPreset::commandControl}, "Super+Ctrl+X"},
        {{HotkeyKey::c, HotkeyModifierPreset::commandOnly}, "Super+C"},
        {{HotkeyKey::p, HotkeyModifierPreset::optionShift}, "Alt+Shift+P"},
    };
    for (const auto& [config, names] : cases) {
        EXPECT_EQ(config.keyboardNames(), QString::fromLatin1(names));
    }
}

TEST(HotkeyModel, AllThirtyFiveCombinationsAreDistinct) {
    QSet<QString> displays;
    QSet<QPair<quint32, quint32>> codes;
    for (const HotkeyKey key : HotkeyKey::allCases()) {
        for (const HotkeyModifierPreset modifiers : HotkeyModifierPreset::allCases()) {
            const HotkeyConfig config{key, modifiers};
            displays.insert(config.displayString());
            codes.insert({key.carbonKeyCode(), modifiers.carbonFlags()});
            EXPECT_EQ(HotkeyConfig::fromJson(config.toJson()), config);
        }
    }
    EXPECT_EQ(displays.size(), 35);
    EXPECT_EQ(codes.size(), 35);
}

TEST(HotkeyModel, RawValuesAndJsonAreStrict) {
    EXPECT_EQ(HotkeyKey::fromRawValue(u"k"), HotkeyKey(HotkeyKey::k));
    for (const char16_t* wrong : {u"V", u" v", u""}) {
        EXPECT_FALSE(HotkeyKey::fromRawValue(wrong));
    }
    EXPECT_EQ(HotkeyModifierPreset::fromRawValue(u"optionShift"),
              HotkeyModifierPreset(HotkeyModifierPreset::optionShift));
    for (const char16_t* wrong : {u"CommandShift", u"commandshift"}) {
        EXPECT_FALSE(HotkeyModifierPreset::fromRawValue(wrong));
    }

    const HotkeyConfig config{HotkeyKey::k, HotkeyModifierPreset::commandOption};
    EXPECT_EQ(config.toJson().dump(), R"({"key":"k","modifiers":"commandOption"})");
    EXPECT_EQ(HotkeyKey(HotkeyKey::x).toJson(), Json("x"));

    const auto decode = [](const char* text) { return HotkeyConfig::fromJson(Json::parse(text)); };
    EXPECT_EQ(decode(R"({"modifiers":"commandOption","key":"k","extra":1})"), config);
    for (const char* wrong :
         {R"({"key":"V","modifiers":"commandShift"})", R"({"key":"v"})",
          R"({"modifiers":"commandShift"})", R"({"key":"v","modifiers":"shiftCommand"})",
          R"({"key":["v"],"modifiers":"commandShift"})", R"({"key":"v","modifiers":null})",
          R"(["v","commandShift"])", R"("v")"}) {
        EXPECT_FALSE(decode(wrong)) << wrong;
    }
}

} // namespace
} // namespace quillstack
