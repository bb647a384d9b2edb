#include "PanelFixture.h"

#include <QElapsedTimer>

#include <memory>

using namespace quillstack;
using namespace std::chrono_literals;
using test::makeEntry;

namespace {

using PanelViewModelTest = test::PanelFixture;
using Selection = QList<std::optional<QUuid>>;

} // namespace

TEST_F(PanelViewModelTest, QueriesAreNormalisedAndDebounced) {
    // Trimmed of every Unicode space and lowered; inner spaces stay.
    EXPECT_EQ(PanelViewModel::normalizedQuery(u"\t\u00a0\u2028A  B\u2029\u0085\r\v\f"_qs),
              u"a  b"_qs);
    fill({makeEntry(ClipboardKind::text, "foo bar"), makeEntry(ClipboardKind::text, "other")});
    PanelViewModel model(manager_);
    const auto type = [&](std::initializer_list<const char*> keystrokes) {
        for (const char* query : keystrokes) {
            model.setSearchQuery(QString::fromUtf8(query));
        }
    };
    QStringList delivered;
    int selectionSyncs = 0;
    QObject::connect(&model, &PanelViewModel::effectiveSearchQueryWillChange,
                     [&](const QString& value) { delivered << value; });
    QObject::connect(&model, &PanelViewModel::selectedIDWillChange, [&] { ++selectionSyncs; });
    test::spin(300ms); // construction delivers the empty query, once
    EXPECT_EQ(delivered, QStringList{QString()});
    delivered.clear();
    selectionSyncs = 0;
    // A burst of keystrokes gives one update after the quiet time, and the selection follows.
    QElapsedTimer clock;
    type({"  O", "  Ot", "  Oth\n"});
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delivered.isEmpty(); }));
    EXPECT_GE(clock.elapsed(), PanelViewModel::debounceInterval.count() - 60);
    test::spin(300ms);
    EXPECT_EQ(delivered, QStringList{"oth"});
    EXPECT_EQ(selectionSyncs, 1);
    ASSERT_EQ(model.filteredEntries().size(), 1);
    EXPECT_EQ(model.selectedID(), model.filteredEntries().first().id());
    // Repeats after normalisation send nothing; away and back within the quiet time sends again.
    type({"oth ", "OTH", "\toth"});
    test::spin(400ms);
    EXPECT_EQ(delivered.size() + selectionSyncs, 2);
    type({"ot", "oth"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.size() == 2; }));
    // A pending delivery dies with its model.
    auto doomed = std::make_unique<PanelViewModel>(manager_);
    doomed->setSearchQuery("zzz");
    doomed.reset();
    test::spin(300ms);
}

// Words match the condensed search text, canonically equivalent text too but no base letter
// inside a composed character; unknown entries are found by their search text.
TEST_F(PanelViewModelTest, QueriesAndFiltersSelectTheVisibleEntries) {
    const QString composed = u"caf\u00e9 cr\u00e8me"_qs;
    const QString decomposed = u"cafe\u0301 cre\u0300me"_qs;
    fill({makeEntry(ClipboardKind::code, "int x"), makeEntry(ClipboardKind::text, "hello"),
          makeEntry(ClipboardKind::text, "Hello   World").withBackfilledSearchIndex(),
          makeEntry(ClipboardKind::text, "World hello").withBackfilledSearchIndex(),
          makeEntry(ClipboardKind::text, composed, {.searchIndex = composed}),
          makeEntry(ClipboardKind::text, decomposed, {.searchIndex = decomposed}),
          makeEntry(ClipboardKind::text, "cafe", {.searchIndex = "cafe"}),
          makeEntry(ClipboardKind::unknown, "", {.searchIndex = "unknown payload"})});
    PanelViewModel model(manager_);
    const std::pair<QString, QStringList> cases[] = {
        {"hello", {"hello", "Hello   World", "World hello"}},
        {"hello world", {"Hello   World"}},
        {"hello  world", {}},
        {decomposed, {composed, decomposed}},
        {"cafe ", {"cafe"}},
        {"unknown pay", {""}},
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
    // Each kind shows under all and its own filter only; unknown entries under all only.
    for (ClipboardKind kind : allClipboardKinds) {
        for (HistoryFilter filter : HistoryFilter::allCases()) {
            const bool own = filter.rawValue() == rawValue(kind) && kind != ClipboardKind::unknown;
            EXPECT_EQ(filter.matches(makeEntry(kind, "x")), own || filter == HistoryFilter::all)
                << filter.rawValue().toStdString() << " " << rawValue(kind).toStdString();
        }
    }
}

TEST_F(PanelViewModelTest, SelectionStopsAtBothEndsConfirmsAndFollowsNewCopies) {
    // The fixture's model was made over the empty history: it never selects nor confirms.
    model_.onActivate = [](const ClipboardEntry&) { ADD_FAILURE() << "activated"; };
    model_.moveSelection(true);
    model_.moveSelection(false);
    model_.syncSelection();
    model_.confirmSelection();
    EXPECT_FALSE(model_.selectedID());
    const QList<ClipboardEntry> history =
        fill({makeEntry(ClipboardKind::text, "a"), makeEntry(ClipboardKind::code, "b"),
              makeEntry(ClipboardKind::text, "c")});
    PanelViewModel model(manager_);
    Selection announced;
    std::optional<QUuid> heldWhileAnnouncing;
    QObject::connect(&model, &PanelViewModel::selectedIDWillChange,
                     [&](const std::optional<QUuid>& value) {
                         heldWhileAnnouncing = model.selectedID();
                         announced << value;
                     });
    model.moveSelection(false); // Up on the first row
    model.moveSelection(true);
    EXPECT_EQ(heldWhileAnnouncing, history[0].id()); // the old value while announcing
    model.moveSelection(true);
    model.moveSelection(true); // Down on the last row
    EXPECT_EQ(announced,
              (Selection{history[0].id(), history[1].id(), history[2].id(), history[2].id()}));
    // Confirming activates the selection if the list shows it; activate() does not check.
    QList<ClipboardEntry> activated;
    model.onActivate = [&](const ClipboardEntry& entry) { activated << entry; };
    model.confirmSelection();
    model.setSelectedFilter(HistoryFilter::code);
    model.confirmSelection();
    EXPECT_EQ(model.selectedID(), history[2].id()); // left alone
    model.activate(history[2]);
    EXPECT_EQ(activated, (QList<ClipboardEntry>{history[2], history[2]}));
    model.setSelectedFilter(HistoryFilter::all);
    // The selected entry disappears: the first is re-selected, then the move goes on from it.
    manager_.deleteEntry(history[2].id());
    model.moveSelection(true);
    EXPECT_EQ(model.selectedID(), history[1].id());
    manager_.deleteEntry(history[1].id());
    model.moveSelection(false);
    EXPECT_EQ(model.selectedID(), history[0].id());
    model.setSelectedID(std::nullopt);
    model.confirmSelection();
    EXPECT_EQ(activated.size(), 2);
    model.syncSelection();
    EXPECT_EQ(model.selectedID(), history[0].id());
    // The callback may delete the entry it is given.
    model.onActivate = [&](const ClipboardEntry& entry) {
        manager_.deleteEntry(entry.id());
        activated << entry;
    };
    model.confirmSelection();
    EXPECT_EQ(activated.last(), history[0]);
    // Without a callback activating only selects.
    model.onActivate = nullptr;
    model.activate(history[1]);
    EXPECT_EQ(model.selectedID(), history[1].id());
    fill(history);
    model.moveSelection(true);
    model.moveSelection(true);
    // Showing the panel again re-synchronises; losing the top entry brings nothing new on top.
    model.syncSelection();
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
    // A copy the filter hides cannot be selected: the selection stays on a visible entry.
    model.setSelectedFilter(HistoryFilter::code);
    model.syncSelection();
    manager_.insert(makeEntry(ClipboardKind::text, "hidden by the filter"));
    EXPECT_EQ(model.selectedID(), history[1].id());
}
