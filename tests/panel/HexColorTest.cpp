#include "panel/HexColor.h"

#include <gtest/gtest.h>

using namespace quillstack;

namespace {
std::optional<QRgb> rgba(const QString& hex) {
    const std::optional<QColor> colour = colorFromHex(hex);
    if (!colour) {
        return std::nullopt;
    }
    EXPECT_EQ(colour->spec(), QColor::Rgb);
    return colour->rgba();
}
} // namespace

TEST(HexColor, SixAndEightCharacterForms) {
    EXPECT_EQ(rgba("#FF000080"), qRgba(255, 0, 0, 128));
    EXPECT_EQ(rgba(" #00ff00\n"), qRgba(0, 255, 0, 255));
    EXPECT_EQ(rgba("##A1B2C3"), qRgba(0xa1, 0xb2, 0xc3, 255));
    EXPECT_EQ(rgba("A1#B2#C3"), qRgba(0xa1, 0xb2, 0xc3, 255)); // every "#" goes
    EXPECT_EQ(rgba("12345G"), qRgba(0x01, 0x23, 0x45, 255));   // digits read up to the G
    EXPECT_EQ(rgba("0x1234"), qRgba(0x00, 0x12, 0x34, 255));   // the prefix counts as length
    EXPECT_EQ(rgba("0x123456"), qRgba(0x00, 0x12, 0x34, 0x56));
    EXPECT_EQ(colorFromHex("#FF000080")->alpha(), 128);
    EXPECT_EQ(rgba("# 12345"), qRgba(0x01, 0x23, 0x45, 255)); // the scanner skips the space
}

TEST(HexColor, RejectedForms) {
    EXPECT_EQ(rgba("#fff"), std::nullopt);
    EXPECT_EQ(rgba("zz1234"), std::nullopt);
    EXPECT_EQ(rgba(""), std::nullopt);
    EXPECT_EQ(rgba("#"), std::nullopt);
    EXPECT_EQ(rgba("#1234567"), std::nullopt);
    EXPECT_EQ(rgba("#123456789"), std::nullopt);
    EXPECT_EQ(rgba("0xzzzz"), rgba("000000"));        // the leading 0 is a number
    EXPECT_EQ(rgba(u"12345\u0301"_qs), std::nullopt); // five characters
    EXPECT_EQ(rgba(QString(5'000'000, 'f')), std::nullopt);
}
