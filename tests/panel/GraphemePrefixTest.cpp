#include "panel/GraphemePrefix.h"

#include <gtest/gtest.h>

using namespace quillstack;

TEST(GraphemePrefix, CountsUserPerceivedCharacters) {
    const QString family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_qs;
    const QString flag = u"\u00f1"_qs;
    const QString text = "a" + family + flag + u"e\u0301"_qs + "\r\n" + "z";

    EXPECT_EQ(GraphemePrefix(text, 2).text(), "a" + family);
    EXPECT_EQ(GraphemePrefix(text, 3).text(), "a" + family + flag);
    EXPECT_EQ(GraphemePrefix(text, 5).text(), "a" + family + flag + u"e\u0301"_qs + "\r\n");
    EXPECT_TRUE(GraphemePrefix(text, 5).isCut());
    EXPECT_FALSE(GraphemePrefix(text, 6).isCut());
    EXPECT_EQ(GraphemePrefix(text, 6).text(), text);
    EXPECT_EQ(GraphemePrefix(text, 0).text(), QString());
    EXPECT_TRUE(GraphemePrefix(text, 0).isCut());
    EXPECT_FALSE(GraphemePrefix(QString(), 0).isCut());
}

TEST(GraphemePrefix, LongClustersAndLongTexts) {
    // One character with 300 combining marks, longer than any first window.
    const QString heavy = "a" + QString(300, QChar(0x0301));
    const QString text = heavy + "b" + heavy + "c";
    EXPECT_EQ(GraphemePrefix(text, 1).text(), heavy);
    EXPECT_EQ(GraphemePrefix(text, 3).text(), heavy + "b" + heavy);
    EXPECT_TRUE(GraphemePrefix(text, 3).isCut());
    EXPECT_FALSE(GraphemePrefix(text, 4).isCut());

    // A window edge inside a surrogate pair or before a combining mark moves no boundary.
    QString emoji;
    for (int i = 0; i < 100; ++i) {
        emoji += u"\U0001F44D\U0001F3FD"_qs; // thumbs up with a skin tone: one character
    }
    EXPECT_EQ(GraphemePrefix(emoji, 7).text().size(), 28);
    EXPECT_EQ(GraphemePrefix(QString(10'000'000, 'x'), 3).text(), "xxx");
}
