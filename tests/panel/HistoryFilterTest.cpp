#include "panel/HistoryFilter.h"

#include "TestEntries.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace quillstack;

TEST(HistoryFilter, CasesInMenuOrderWithTitlesAndRawValues) {
    QStringList raw;
    QStringList titles;
    for (HistoryFilter filter : HistoryFilter::allCases()) {
        raw << filter.rawValue();
        titles << filter.title();
        EXPECT_EQ(filter.id(), filter.rawValue());
    }
    EXPECT_EQ(raw,
              QStringList({"all", "text", "code", "markdown", "html", "image", "file", "color"}));
    EXPECT_EQ(titles, QStringList({"All", "Text", "Code", "Markdown", "HTML", "Images", "Files",
                                   "Colors"}));
    QSet<HistoryFilter> distinct(HistoryFilter::allCases().begin(),
                                 HistoryFilter::allCases().end());
    EXPECT_EQ(distinct.size(), 8);
}

TEST(HistoryFilter, ConstructionFromRawValueIsExact) {
    for (HistoryFilter filter : HistoryFilter::allCases()) {
        EXPECT_EQ(HistoryFilter::fromRawValue(filter.rawValue()), filter);
    }
    EXPECT_EQ(HistoryFilter::fromRawValue(u"unknown"), std::nullopt);
    EXPECT_EQ(HistoryFilter::fromRawValue(u"All"), std::nullopt);
    EXPECT_EQ(HistoryFilter::fromRawValue(u"images"), std::nullopt);
    EXPECT_EQ(HistoryFilter::fromRawValue(u" text"), std::nullopt);
    EXPECT_EQ(HistoryFilter::fromRawValue(u""), std::nullopt);
}

TEST(HistoryFilter, EachKindShowsUnderAllAndItsOwnFilterOnly) {
    for (ClipboardKind kind : allClipboardKinds) {
        const ClipboardEntry entry = test::makeEntry(kind, QStringLiteral("x"));
        int matching = 0;
        for (HistoryFilter filter : HistoryFilter::allCases()) {
            if (filter != HistoryFilter::all && filter.matches(entry)) {
                ++matching;
                EXPECT_EQ(filter.rawValue(), rawValue(kind));
            }
        }
        EXPECT_TRUE(HistoryFilter(HistoryFilter::all).matches(entry));
        EXPECT_EQ(matching, kind == ClipboardKind::unknown ? 0 : 1) << qPrintable(rawValue(kind));
    }
}
