#include "panel/PanelViewModel.h"

#include "TestEntries.h"
#include "platform/memory/MemoryDataLocations.h"
#include "store/ClipboardManager.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillstack;
using namespace std::chrono_literals;
using test::makeEntry;

namespace {

class PanelViewModelTest : public ::testing::Test {
protected:
    PanelViewModelTest()
        : locations_(dir_.path(), dir_.path()),
          manager_(ClipboardManager::Services{.locations = &locations_}) {}

    // Puts the entries into the store so that the first one given is the newest.
    QList<ClipboardEntry> fill(const QList<ClipboardEntry>& entries) {
        for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
            manager_.insert(*it);
        }
        return manager_.history();
    }

    static QList<QUuid> ids(const QList<ClipboardEntry>& entries) {
        QList<QUuid> result;
        for (const ClipboardEntry& entry : entries) {
            result << entry.id();
        }
        return result;
    }

    // Types into the search field and waits for the debounced delivery.
    static void search(PanelViewModel& model, const QString& query) {
        model.setSearchQuery(query);
        const QString expected = PanelViewModel::normalizedQuery(query);
        ASSERT_TRUE(QTest::qWaitFor([&] { return model.effectiveSearchQuery() == expected; }));
        test::spin(200ms);
    }

    QTemporaryDir dir_;
    MemoryDataLocations locations_;
    ClipboardManager manager_;
};

} // namespace

TEST_F(PanelViewModelTest, NormalisationTrimsBothEndsAndLowerCases) {
    EXPECT_EQ(PanelViewModel::normalizedQuery(u"  Foo\n"_qs), u"foo"_qs);
    EXPECT_EQ(PanelViewModel::normalizedQuery(u"   "_qs), QString());
    EXPECT_EQ(PanelViewModel::normalizedQuery(u"\t\u00a0\u2028A  B\u2029\u0085\r\v\f"_qs),
              u"a  b"_qs);
    EXPECT_EQ(PanelViewModel::normalizedQuery(u"ÉCOLE Straße ΣΑΣ"_qs), u"école straße σασ"_qs);
    // Not white space: the zero-width space stays.
    EXPECT_EQ(PanelViewModel::normalizedQuery(u"\u200bX"_qs), u"\u200bx"_qs);
}

TEST_F(PanelViewModelTest, ConstructionDeliversTheEmptyQueryOnce) {
    const QList<ClipboardEntry> history =
        fill({makeEntry(ClipboardKind::text, "one"), makeEntry(ClipboardKind::text, "two")});
    PanelViewModel model(manager_);
    EXPECT_EQ(model.selectedID(), history.first().id());
    EXPECT_EQ(model.selectedFilter(), HistoryFilter::all);
    int deliveries = 0;
    QObject::connect(&model, &PanelViewModel::effectiveSearchQueryChanged, [&] { ++deliveries; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return deliveries == 1; }));
    test::spin(300ms);
    EXPECT_EQ(deliveries, 1);
    EXPECT_EQ(model.effectiveSearchQuery(), QString());
}

TEST_F(PanelViewModelTest, BurstOfKeystrokesGivesOneDebouncedUpdate) {
    fill({makeEntry(ClipboardKind::text, "foo bar"), makeEntry(ClipboardKind::text, "other")});
    PanelViewModel model(manager_);
    test::spin(300ms); // the initial delivery
    QStringList delivered;
    int selectionSyncs = 0;
    QObject::connect(&model, &PanelViewModel::effectiveSearchQueryWillChange,
                     [&](const QString& value) { delivered << value; });
    QObject::connect(&model, &PanelViewModel::selectedIDWillChange, [&] { ++selectionSyncs; });

    QElapsedTimer clock;
    model.setSearchQuery("  O");
    model.setSearchQuery("  Ot");
    model.setSearchQuery("  Oth\n");
    clock.start();
    test::spin(60ms);
    if (clock.elapsed() < PanelViewModel::debounceInterval.count()) {
        EXPECT_TRUE(delivered.isEmpty()) << "delivered before the quiet time ran out";
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delivered.isEmpty(); }));
    EXPECT_GE(clock.elapsed(), PanelViewModel::debounceInterval.count() - 60);
    test::spin(300ms);
    EXPECT_EQ(delivered, QStringList{"oth"});
    EXPECT_EQ(model.searchQuery(), "  Oth\n");
    // The selection was synchronised against the new query: "foo bar" is gone.
    EXPECT_EQ(selectionSyncs, 1);
    ASSERT_EQ(model.filteredEntries().size(), 1);
    EXPECT_EQ(model.selectedID(), model.filteredEntries().first().id());
}

TEST_F(PanelViewModelTest, RepeatsAfterNormalisationSendNothing) {
    fill({makeEntry(ClipboardKind::text, "foo")});
    PanelViewModel model(manager_);
    search(model, "foo");
    int announcements = 0;
    QObject::connect(&model, &PanelViewModel::effectiveSearchQueryWillChange,
                     [&] { ++announcements; });
    QObject::connect(&model, &PanelViewModel::selectedIDWillChange, [&] { ++announcements; });
    model.setSearchQuery("foo ");
    model.setSearchQuery("FOO");
    model.setSearchQuery("\tfoo");
    test::spin(400ms);
    EXPECT_EQ(announcements, 0);

    // Going away and back within the quiet time delivers the value again, once.
    model.setSearchQuery("fo");
    model.setSearchQuery("foo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return announcements > 0; }));
    test::spin(300ms);
    EXPECT_EQ(model.effectiveSearchQuery(), "foo");
}

// What a query shows over one history: the query is normalised; several words match the
// condensed search text; canonically equivalent text matches, but a base letter does not match
// inside a composed character; unknown entries are found by their search text; a query of
// spaces leaves the kind filter alone.
TEST_F(PanelViewModelTest, QueriesMatchTheNormalisedSearchText) {
    const QString composed = u"caf\u00e9 cr\u00e8me"_qs;
    const QString decomposed = u"cafe\u0301 cre\u0300me"_qs;
    fill({makeEntry(ClipboardKind::code, "int x"), makeEntry(ClipboardKind::text, "hello"),
          makeEntry(ClipboardKind::text, "Hello   World").withBackfilledSearchIndex(),
          makeEntry(ClipboardKind::text, "World hello").withBackfilledSearchIndex(),
          makeEntry(ClipboardKind::text, composed, composed),
          makeEntry(ClipboardKind::text, decomposed, decomposed),
          makeEntry(ClipboardKind::text, "cafe", "cafe"),
          makeEntry(ClipboardKind::unknown, "", "unknown payload")});
    PanelViewModel model(manager_);
    const std::pair<QString, QStringList> cases[] = {
        {"hello", {"hello", "Hello   World", "World hello"}},
        {"hello world", {"Hello   World"}},
        {"hello  world", {}},
        {decomposed, {composed, decomposed}},
        {u"\u00e9 cr"_qs, {composed, decomposed}},
        {"cafe ", {"cafe"}},
        {"unknown pay", {""}},
        {"nothing like it", {}},
    };
    for (const auto& [query, expected] : cases) {
        search(model, query);
        QStringList shown;
        for (const ClipboardEntry& entry : model.filteredEntries()) {
            shown << entry.text().value_or(QString());
        }
        EXPECT_EQ(shown, expected) << query.toStdString();
        EXPECT_EQ(model.selectedID().has_value(), !expected.isEmpty()) << query.toStdString();
    }
    search(model, "    ");
    EXPECT_EQ(model.effectiveSearchQuery(), QString());
    EXPECT_EQ(model.filteredEntries().size(), 8);
    model.setSelectedFilter(HistoryFilter::code);
    ASSERT_EQ(model.filteredEntries().size(), 1);
    EXPECT_EQ(model.filteredEntries().first().kind(), ClipboardKind::code);
}

TEST_F(PanelViewModelTest, EmptyQueryAndAllGiveTheStoresOwnList) {
    const QList<ClipboardEntry> history =
        fill({makeEntry(ClipboardKind::text, "a"), makeEntry(ClipboardKind::code, "b"),
              makeEntry(ClipboardKind::unknown, "c")});
    PanelViewModel model(manager_);
    const QList<ClipboardEntry> visible = model.filteredEntries();
    EXPECT_EQ(visible, manager_.history());
    EXPECT_EQ(visible.constData(), manager_.history().constData()); // shared, not copied
    model.setSelectedFilter(HistoryFilter::text);
    EXPECT_EQ(ids(model.filteredEntries()), QList<QUuid>{history.first().id()});
}

TEST_F(PanelViewModelTest, SelectionStopsAtBothEndsAndAnnouncesEveryMove) {
    const QList<ClipboardEntry> history =
        fill({makeEntry(ClipboardKind::text, "a"), makeEntry(ClipboardKind::text, "b"),
              makeEntry(ClipboardKind::text, "c")});
    PanelViewModel model(manager_);
    QList<std::optional<QUuid>> announced;
    std::optional<QUuid> heldWhileAnnouncing;
    QObject::connect(&model, &PanelViewModel::selectedIDWillChange,
                     [&](const std::optional<QUuid>& value) {
                         heldWhileAnnouncing = model.selectedID();
                         announced << value;
                     });
    model.moveSelection(false); // Up on the first row
    EXPECT_EQ(model.selectedID(), history[0].id());
    model.moveSelection(true);
    EXPECT_EQ(heldWhileAnnouncing, history[0].id()); // the old value while announcing
    model.moveSelection(true);
    model.moveSelection(true); // Down on the last row
    EXPECT_EQ(model.selectedID(), history[2].id());
    EXPECT_EQ(announced, (QList<std::optional<QUuid>>{history[0].id(), history[1].id(),
                                                      history[2].id(), history[2].id()}));
}

TEST_F(PanelViewModelTest, SelectionRecoversWhenTheSelectedEntryDisappears) {
    const QList<ClipboardEntry> history =
        fill({makeEntry(ClipboardKind::text, "a"), makeEntry(ClipboardKind::text, "b"),
              makeEntry(ClipboardKind::text, "c")});
    PanelViewModel model(manager_);
    model.moveSelection(true);
    model.moveSelection(true);
    manager_.deleteEntry(history[2].id());
    model.moveSelection(true); // re-selects the first, then moves to the second
    EXPECT_EQ(model.selectedID(), history[1].id());

    manager_.deleteEntry(history[1].id());
    model.moveSelection(false);
    EXPECT_EQ(model.selectedID(), history[0].id());

    model.setSelectedID(std::nullopt);
    model.syncSelection();
    EXPECT_EQ(model.selectedID(), history[0].id());
}

TEST_F(PanelViewModelTest, ANewCopySelectsItselfAndNothingElseMovesTheSelection) {
    const QList<ClipboardEntry> history =
        fill({makeEntry(ClipboardKind::text, "a"), makeEntry(ClipboardKind::code, "b"),
              makeEntry(ClipboardKind::text, "c")});
    PanelViewModel model(manager_);
    model.moveSelection(true);
    model.moveSelection(true);
    // Hiding and showing the panel re-synchronises: a visible selection stays.
    model.syncSelection();
    EXPECT_EQ(model.selectedID(), history[2].id());
    // Losing the top entry brings nothing new to the top.
    manager_.deleteEntry(history[0].id());
    EXPECT_EQ(model.selectedID(), history[2].id());

    // A new copy is selected, also when it repeats an older entry (which moves to the top).
    const ClipboardEntry newer = makeEntry(ClipboardKind::text, "newer");
    manager_.insert(newer);
    EXPECT_EQ(model.selectedID(), newer.id());
    model.moveSelection(true);
    const ClipboardEntry again = makeEntry(ClipboardKind::text, "c");
    manager_.insert(again);
    EXPECT_EQ(model.selectedID(), again.id());
    EXPECT_EQ(manager_.history().size(), 3);
    // A copy of the newest entry once more is dropped by the store and moves nothing.
    model.moveSelection(true);
    const std::optional<QUuid> kept = model.selectedID();
    manager_.insert(makeEntry(ClipboardKind::text, "c"));
    EXPECT_EQ(model.selectedID(), kept);

    // A copy the filter hides cannot be selected: the selection stays on a visible entry.
    model.setSelectedFilter(HistoryFilter::code);
    model.syncSelection();
    manager_.insert(makeEntry(ClipboardKind::text, "hidden by the filter"));
    EXPECT_EQ(model.selectedID(), history[1].id());

    EXPECT_EQ(PanelViewModel::arrivedOnTop({}, {}), std::nullopt);
    EXPECT_EQ(PanelViewModel::arrivedOnTop(history, {}), std::nullopt);
    EXPECT_EQ(PanelViewModel::arrivedOnTop({}, history), history[0].id());
    EXPECT_EQ(PanelViewModel::arrivedOnTop(history.mid(1), history), history[0].id());
    EXPECT_EQ(PanelViewModel::arrivedOnTop(history, history.mid(1)), std::nullopt);
}

TEST_F(PanelViewModelTest, ConfirmAndActivate) {
    const QList<ClipboardEntry> history =
        fill({makeEntry(ClipboardKind::text, "a"), makeEntry(ClipboardKind::code, "b")});
    PanelViewModel model(manager_);

    model.activate(history[1]); // no callback set: only the selection changes
    EXPECT_EQ(model.selectedID(), history[1].id());

    QList<ClipboardEntry> activated;
    model.onActivate = [&](const ClipboardEntry& entry) { activated << entry; };
    model.confirmSelection();
    EXPECT_EQ(activated, QList<ClipboardEntry>{history[1]});

    // A selection that is not in the current list calls nothing and is left alone.
    model.setSelectedFilter(HistoryFilter::text);
    model.confirmSelection();
    EXPECT_EQ(activated.size(), 1);
    EXPECT_EQ(model.selectedID(), history[1].id());
    model.setSelectedID(std::nullopt);
    model.confirmSelection();
    EXPECT_EQ(activated.size(), 1);

    // activate() does not check the list.
    model.activate(history[1]);
    EXPECT_EQ(activated.size(), 2);
    EXPECT_EQ(model.selectedID(), history[1].id());

    // The callback may delete the entry it is given.
    model.setSelectedFilter(HistoryFilter::all);
    model.onActivate = [&](const ClipboardEntry& entry) {
        manager_.deleteEntry(entry.id());
        activated << entry;
    };
    model.confirmSelection();
    EXPECT_EQ(activated.last(), history[1]);
    EXPECT_EQ(manager_.history().size(), 1);
}

TEST_F(PanelViewModelTest, EmptyHistoryNeverSelects) {
    PanelViewModel model(manager_);
    EXPECT_EQ(model.selectedID(), std::nullopt);
    model.syncSelection();
    EXPECT_EQ(model.selectedID(), std::nullopt);
    model.moveSelection(true);
    model.moveSelection(false);
    EXPECT_EQ(model.selectedID(), std::nullopt);
    int called = 0;
    model.onActivate = [&](const ClipboardEntry&) { ++called; };
    model.confirmSelection();
    EXPECT_EQ(called, 0);
}

TEST_F(PanelViewModelTest, PendingDeliveryDiesWithTheModel) {
    fill({makeEntry(ClipboardKind::text, "a")});
    auto model = std::make_unique<PanelViewModel>(manager_);
    model->setSearchQuery("zzz");
    model.reset();
    test::spin(300ms); // nothing left to deliver to
    SUCCEED();
}
