#include "panel/HexColor.h"

#include <gtest/gtest.h>

using namespace quillstack;

TEST(HexColor, AcceptedAndRejectedForms) {
    const std::pair<QString, std::optional<QRgb>> cases[] = {
        {"#FF000080", qRgba(255, 0, 0, 128)},
        {" #00ff00\n", qRgba(0, 255, 0, 255)},
        {"##A1B2C3", qRgba(0xa1, 0xb2, 0xc3, 255)},
        {"A1#B2#C3", qRgba(0xa1, 0xb2, 0xc3, 255)}, // every "#" goes
        {"12345G", qRgba(0x01, 0x23, 0x45, 255)},   // digits read up to the G
        {"0x1234", qRgba(0x00, 0x12, 0x34, 255)},   // the prefix counts as length
        {"0x123456", qRgba(0x00, 0x12, 0x34, 0x56)},
        {"# 12345", qRgba(0x01, 0x23, 0x45, 255)}, // the scanner skips the space
        {"0xzzzz", qRgba(0, 0, 0, 255)},           // the leading 0 is a number
        {"#fff", std::nullopt},
        {"zz1234", std::nullopt},
        {"", std::nullopt},
        {"#", std::nullopt},
        {"#1234567", std::nullopt},
        {"#123456789", std::nullopt},
        {u"12345\u0301"_qs, std::nullopt}, // five characters
        {QString(5'000'000, 'f'), std::nullopt},
    };
    for (const auto& [hex, expected] : cases) {
        const std::optional<QColor> colour = colorFromHex(hex);
        ASSERT_EQ(colour.has_value(), expected.has_value()) << hex.left(20).toStdString();
        if (colour) {
            EXPECT_EQ(colour->spec(), QColor::Rgb);
            EXPECT_EQ(colour->rgba(), *expected) << hex.toStdString();
        }
    }
}
