#include "panel/HistoryFilter.h"

#include "TestEntries.h"

#include <gtest/gtest.h>

using namespace quillstack;

TEST(HistoryFilter, CasesInMenuOrderWithExactRawValues) {
    QStringList raw;
    QStringList titles;
    for (HistoryFilter filter : HistoryFilter::allCases()) {
        raw << filter.rawValue();
        titles << filter.title();
        EXPECT_EQ(filter.id(), filter.rawValue());
        EXPECT_EQ(HistoryFilter::fromRawValue(filter.rawValue()), filter);
    }
    EXPECT_EQ(raw,
              QStringList({"all", "text", "code", "markdown", "html", "image", "file", "color"}));
    EXPECT_EQ(titles, QStringList({"All", "Text", "Code", "Markdown", "HTML", "Images", "Files",
                                   "Colors"}));
    for (const char16_t* wrong : {u"unknown", u"All", u"images", u" text", u""}) {
        EXPECT_EQ(HistoryFilter::fromRawValue(wrong), std::nullopt);
    }
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
