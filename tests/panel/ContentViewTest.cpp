#include "TestEntries.h"
#include "ViewFixture.h"

#include "panel/ContentView.h"
#include "panel/EmptyStateView.h"
#include "panel/HistoryListModel.h"
#include "panel/HistoryRowDelegate.h"
#include "panel/IconButton.h"
#include "panel/PreviewFormatter.h"
#include "panel/PreviewLayout.h"
#include "panel/RowPreviewCache.h"
#include "panel/SettingsOverlay.h"
#include "settings/HotkeySettingsView.h"
#include "settings/PopupButton.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <cmath>
#include <tuple>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

class ContentViewTest : public test::ViewFixture {
protected:
    QList<ClipboardEntry> texts(int count) {
        QList<ClipboardEntry> entries;
        for (int i = 0; i < count; ++i) {
            entries << entry(ClipboardKind::text, QStringLiteral("entry number %1").arg(i));
        }
        return entries;
    }

    static QRect cardOf(ContentView& view, int row) {
        QListView* list = view.listView();
        const QRect item = list->visualRect(list->model()->index(row, 0));
        return HistoryRowDelegate::cardRect(item, row, view.rowDelegate()->cardWidth());
    }

    static QRect deleteButtonOf(ContentView& view, int row) {
        const auto* rows = static_cast<const HistoryListModel*>(view.listView()->model());
        return view.rowDelegate()->deleteButtonRect(cardOf(view, row), rows->entryAt(row));
    }

    static const HistoryListModel& rows(ContentView& view) {
        return *static_cast<const HistoryListModel*>(view.listView()->model());
    }
};

} // namespace

TEST_F(ContentViewTest, EmptyHistoryWinsOverQueryAndFilterAndDisablesClear) {
    ContentView view(manager_, model_, settings_);
    view.show();
    search(u"anything"_qs);
    model_.setSelectedFilter(HistoryFilter::code);
    EXPECT_EQ(view.listState(), ContentView::ListState::historyEmpty);
    EXPECT_EQ(view.historyEmptyView()->headline(), u"Clipboard history is empty"_qs);
    EXPECT_EQ(view.historyEmptyView()->hint(),
              u"Copy text, files, HTML, Markdown, colors, or images"_qs);
    EXPECT_FALSE(view.clearButton()->isEnabled());
    EXPECT_DOUBLE_EQ(view.clearButton()->drawnOpacity(), 0.45);
    EXPECT_EQ(view.entryCount()->text(), u"0"_qs);
    EXPECT_EQ(view.shortcutBadge()->text(), u"⌘⇧V"_qs);
    EXPECT_EQ(view.size(), QSize(700, 470));
}

TEST_F(ContentViewTest, NoMatchesKeepsTheWholeCountAndClearEmptiesEverything) {
    fill(texts(3));
    ContentView view(manager_, model_, settings_);
    view.show();
    EXPECT_EQ(view.listState(), ContentView::ListState::entries);
    EXPECT_TRUE(view.clearButton()->isEnabled());
    EXPECT_DOUBLE_EQ(view.clearButton()->drawnOpacity(), 1.0);

    search(u"no such words"_qs);
    EXPECT_EQ(view.listState(), ContentView::ListState::noMatches);
    EXPECT_EQ(view.noMatchesView()->headline(), u"No matches found"_qs);
    EXPECT_EQ(view.noMatchesView()->hint(), u"Try another search or filter"_qs);
    EXPECT_EQ(view.entryCount()->text(), u"3"_qs);
    EXPECT_FALSE(model_.selectedID().has_value());

    // Typing goes through the field into the model.
    QTest::keyClicks(view.searchField(), u" 1"_qs);
    EXPECT_EQ(model_.searchQuery(), u"no such words 1"_qs);

    QTest::mouseClick(view.clearButton(), Qt::LeftButton);
    EXPECT_TRUE(manager_.history().isEmpty());
    EXPECT_EQ(view.listState(), ContentView::ListState::historyEmpty);
    EXPECT_FALSE(view.clearButton()->isEnabled());
    EXPECT_EQ(view.entryCount()->text(), u"0"_qs);
}

TEST_F(ContentViewTest, ClickPastesARowAndItsDeleteButtonOnlyDeletes) {
    const QList<ClipboardEntry> entries = texts(3);
    fill(entries);
    QList<QUuid> activated;
    model_.onActivate = [&](const ClipboardEntry& chosen) { activated << chosen.id(); };
    ContentView view(manager_, model_, settings_);
    view.show();
    QWidget* viewport = view.listView()->viewport();

    QTest::mouseClick(viewport, Qt::LeftButton, {}, cardOf(view, 1).center());
    ASSERT_EQ(activated, QList<QUuid>{entries[1].id()});
    EXPECT_EQ(model_.selectedID(), entries[1].id());
    // A click anywhere on the card, its empty right part included.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, cardOf(view, 2).bottomRight() - QPoint(30, 3));
    EXPECT_EQ(activated.size(), 2);
    // The gap between two cards is no row.
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      QPoint(cardOf(view, 0).center().x(), cardOf(view, 0).bottom() + 5));
    EXPECT_EQ(activated.size(), 2);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, deleteButtonOf(view, 0).center());
    EXPECT_EQ(activated.size(), 2);
    ASSERT_EQ(manager_.history().size(), 2);
    EXPECT_EQ(manager_.history().first().id(), entries[1].id());
    EXPECT_EQ(rows(view).rowCount(), 2);
}

TEST_F(ContentViewTest, DeletingTheSelectedRowSelectsTheFirstAndFilterChangesResync) {
    const QList<ClipboardEntry> entries = {
        entry(ClipboardKind::text, u"alpha"_qs), entry(ClipboardKind::code, u"int beta;"_qs),
        entry(ClipboardKind::text, u"gamma"_qs), entry(ClipboardKind::text, u"delta"_qs)};
    fill(entries);
    ContentView view(manager_, model_, settings_);
    view.show();
    EXPECT_EQ(model_.selectedID(), entries[0].id());

    model_.setSelectedID(entries[2].id());
    manager_.deleteEntry(entries[2].id());
    EXPECT_EQ(model_.selectedID(), entries[0].id());
    EXPECT_TRUE(rows(view).data(rows(view).index(0), HistoryListModel::SelectedRole).toBool());

    // A filter that hides the selection moves it to the first visible row.
    model_.setSelectedFilter(HistoryFilter::code);
    EXPECT_EQ(view.filterMenu()->currentText(), u"Code"_qs);
    EXPECT_EQ(rows(view).rowCount(), 1);
    EXPECT_EQ(model_.selectedID(), entries[1].id());
    // The menu writes the filter.
    emit view.filterMenu()->activated(0);
    EXPECT_EQ(model_.selectedFilter(), HistoryFilter::all);
    EXPECT_EQ(rows(view).rowCount(), 3);
}

TEST_F(ContentViewTest, SelectionIsScrolledToTheMiddle) {
    fill(texts(40));
    ContentView view(manager_, model_, settings_);
    view.show();
    QScrollBar* bar = view.listView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);

    const QUuid target = manager_.history().at(20).id();
    model_.setSelectedID(target);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const QRect card = cardOf(view, 20);
        return std::abs(card.center().y() - view.listView()->viewport()->height() / 2) <= 1;
    }));
    // The last row cannot reach the middle: the list stops at its end.
    model_.setSelectedID(manager_.history().last().id());
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == bar->maximum(); }));
    // Re-assigning the selection scrolls to it again.
    bar->setValue(0);
    model_.moveSelection(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == bar->maximum(); }));
}

TEST_F(ContentViewTest, PreviewsFollowKindAndSearch) {
    const QList<ClipboardEntry> entries = {
        entry(ClipboardKind::code, u"if (x) {\n  return \"y\";\n}\nline four\nline five"_qs),
        entry(ClipboardKind::text, u""_qs),
        entry(ClipboardKind::color, u"#nothex"_qs, u"#nothex"_qs),
        entry(ClipboardKind::image, u"picture"_qs)};
    fill(entries);
    ContentView view(manager_, model_, settings_);
    view.show();
    RowPreviewCache& cache = view.previewCache();

    // Formatted code: four lines at most and no plain lines.
    const PreviewLayout& code = cache.preview(entries[0], false, 400);
    EXPECT_TRUE(code.lines().isEmpty());
    EXPECT_EQ(code.lineCount(), 4);
    EXPECT_TRUE(code.isCut());
    // Searching: the plain subtitle instead.
    const PreviewLayout& plainCode = cache.preview(entries[0], true, 400);
    ASSERT_FALSE(plainCode.lines().isEmpty());
    EXPECT_TRUE(plainCode.lines().first().startsWith(u"if (x) { return"_qs));
    // An empty subtitle keeps one line.
    EXPECT_EQ(cache.preview(entries[1], false, 400).lineCount(), 1);
    EXPECT_GT(cache.preview(entries[1], false, 400).height(), 0);
    // No tile image without image data; a bad colour has no swatch but keeps its text.
    EXPECT_TRUE(cache.tileImage(entries[3]).isNull());
    EXPECT_EQ(cache.preview(entries[2], false, 400).lines(), QStringList{u"#nothex"_qs});

    // Long text is cut after three lines with an ellipsis.
    const PreviewLayout longText = PreviewLayout::plain(QString(2000, u'w') + u" end"_qs,
                                                        RowPreviewCache::previewFont(), 3, 200);
    EXPECT_EQ(longText.lineCount(), 3);
    EXPECT_TRUE(longText.lines().last().endsWith(u"\u2026"_qs));
}

TEST_F(ContentViewTest, OverlayOpensFromTheGearAndClosesOnClickOutsideOrDone) {
    fill(texts(2));
    ContentView view(manager_, model_, settings_);
    view.show();
    EXPECT_FALSE(view.isShowingHotkeySettings());
    QTest::mouseClick(view.settingsButton(), Qt::LeftButton);
    ASSERT_TRUE(view.isShowingHotkeySettings());
    SettingsOverlay* overlay = view.settingsOverlay();
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry(), view.rect());

    // A click on the card itself keeps it; one on the dark layer closes it.
    const QRect card = overlay->card()->geometry();
    QTest::mouseClick(overlay, Qt::LeftButton, {}, card.topLeft() + QPoint(30, 8));
    EXPECT_TRUE(view.isShowingHotkeySettings());
    QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_FALSE(view.isShowingHotkeySettings());
    EXPECT_FALSE(overlay->isVisible());

    view.setShowingHotkeySettings(true);
    QTest::keyClick(overlay->card(), Qt::Key_Return);
    EXPECT_FALSE(view.isShowingHotkeySettings());

    // The badge follows the shortcut.
    settings_.setHotkeyConfig({HotkeyKey::c, HotkeyModifierPreset::commandOnly});
    EXPECT_EQ(view.shortcutBadge()->text(), u"⌘C"_qs);
}

TEST_F(ContentViewTest, BadgeAndCurrentLineShowTheRegisteredShortcutWithPcNames) {
    fill(texts(1));
    ContentView view(manager_, model_, settings_);
    view.show();
    const HotkeySettingsView* card = view.settingsOverlay()->card();
    const auto shown = [&] {
        return std::tuple(view.shortcutBadge()->text(), view.shortcutBadge()->toolTip(),
                          card->currentShortcutText(), card->currentShortcutLabel()->toolTip());
    };
    EXPECT_EQ(shown(),
              std::tuple(u"⌘⇧V"_qs, u"Super+Shift+V"_qs, u"Current: ⌘⇧V"_qs, u"Super+Shift+V"_qs));

    // Nothing registered (another program holds the shortcut): both say so.
    settings_.setRegisteredHotkey(std::nullopt);
    const QString none = u"No shortcut is registered: another program holds it"_qs;
    EXPECT_EQ(shown(), std::tuple(u"None"_qs, none, u"Current: None"_qs, none));

    // A choice the desktop refused: the pickers keep it, the lines show what is in force.
    settings_.setRegisteredHotkey(HotkeyConfig::defaultConfig());
    settings_.setHotkeyConfig({HotkeyKey::k, HotkeyModifierPreset::optionShift});
    EXPECT_EQ(card->keyPicker()->currentText(), u"K"_qs);
    EXPECT_EQ(shown(),
              std::tuple(u"⌘⇧V"_qs, u"Super+Shift+V"_qs, u"Current: ⌘⇧V"_qs, u"Super+Shift+V"_qs));
    settings_.setRegisteredHotkey(HotkeyConfig{HotkeyKey::k, HotkeyModifierPreset::optionShift});
    EXPECT_EQ(shown(),
              std::tuple(u"⌥⇧K"_qs, u"Alt+Shift+K"_qs, u"Current: ⌥⇧K"_qs, u"Alt+Shift+K"_qs));
}

// Spreadsheet and web-page HTML drawn on the dark card: no light box may hold the card's light
// text, and links stand out with good contrast.
TEST_F(ContentViewTest, HtmlPreviewsReadOnTheDarkCard) {
    const QColor card(0x2a, 0x2a, 0x2e);
    const auto luminance = [](const QColor& c) {
        const auto linear = [](qreal v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const auto draw = [&](const QString& html) {
        const ClipboardEntry entry = test::makeEntry(ClipboardKind::html, u"t"_qs, {}, {}, html);
        const PreviewLayout layout = PreviewLayout::rich(PreviewFormatter::rich(entry),
                                                         RowPreviewCache::previewFont(), 3, 400);
        QImage image(400, 80, QImage::Format_RGB32);
        image.fill(card);
        QPainter painter(&image);
        layout.paint(painter, QPointF(0, 0), QColor(255, 255, 255, 235));
        return image;
    };
    const QString boxes[] = {
        u"<table bgcolor=white border=1><tr><td><font color=black>Q1 revenue</font></td>"
        "<td>42</td></tr></table>"_qs,
        u"<table><tr><td style=\"background-color:#ffffff;color:#000\">Q1 revenue</td>"
        "<td bgcolor=\"#fafafa\">42</td></tr></table>"_qs,
        u"<body style=\"background:white;color:black\"><p>Q1 revenue 42</p></body>"_qs,
        u"<div style=\"background-color:white\"><span style=\"color:#111\">Q1 revenue"
        "</span></div>"_qs,
    };
    for (const QString& html : boxes) {
        // Within what was drawn, text strokes are a small part; a white box would fill it.
        const QImage image = draw(html);
        QRect drawn;
        qsizetype light = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel(image.pixel(x, y));
                if (pixel != card) {
                    drawn |= QRect(x, y, 1, 1);
                }
                light += pixel.lightnessF() > 0.85 ? 1 : 0;
            }
        }
        ASSERT_FALSE(drawn.isEmpty()) << html.toStdString();
        EXPECT_LT(light, drawn.width() * drawn.height() / 3) << html.toStdString();
    }

    // The cells of one table row are one line: a three-row table fits the three lines.
    const ClipboardEntry table =
        test::makeEntry(ClipboardKind::html, u"t"_qs, {}, {},
                        u"<table border=1><tr><td>a</td><td>b</td><td>c</td></tr>"
                        "<tr><td>1</td><td>2</td><td>3</td></tr>"
                        "<tr><td>4</td><td>5</td><td>6</td></tr></table>"_qs);
    const PreviewLayout rows =
        PreviewLayout::rich(PreviewFormatter::rich(table), RowPreviewCache::previewFont(), 3, 400);
    EXPECT_EQ(rows.lineCount(), 3);
    EXPECT_FALSE(rows.isCut());
    EXPECT_GE(rows.height(), 3 * QFontMetricsF(RowPreviewCache::previewFont()).height());

    const QImage link = draw(u"see <a href=\"https://example.com\">the report</a>"_qs);
    qreal best = 0;
    for (int y = 0; y < link.height(); ++y) {
        for (int x = 0; x < link.width(); ++x) {
            const QColor pixel(link.pixel(x, y));
            if (pixel.blue() > pixel.red() + 60) {
                best = std::max(best, (luminance(pixel) + 0.05) / (luminance(card) + 0.05));
            }
        }
    }
    EXPECT_GE(best, 4.5); // readable contrast; the reader's own #0000ff gives about 1.7
}
