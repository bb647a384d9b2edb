#include "PanelFixture.h"

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

#include <cmath>
#include <tuple>

using namespace quillstack;
using test::makeEntry;

namespace {

class ContentViewTest : public test::PanelFixture {
protected:
    QRect cardOf(int row) const {
        QListView* list = view_.listView();
        const QRect item = list->visualRect(list->model()->index(row, 0));
        return HistoryRowDelegate::cardRect(item, row, view_.rowDelegate()->cardWidth());
    }
    const HistoryListModel& rows() const {
        return *static_cast<const HistoryListModel*>(view_.listView()->model());
    }
    void click(const QPoint& at) {
        QTest::mouseClick(view_.listView()->viewport(), Qt::LeftButton, {}, at);
    }

    ContentView view_{manager_, model_, settings_};
};

} // namespace

TEST_F(ContentViewTest, ListStatesCountAndClear) {
    view_.show();
    search(model_, u"anything"_qs);
    model_.setSelectedFilter(HistoryFilter::code);
    // An empty history wins over query and filter.
    EXPECT_EQ(view_.listState(), ContentView::ListState::historyEmpty);
    EXPECT_EQ(view_.historyEmptyView()->headline(), u"Clipboard history is empty"_qs);
    EXPECT_EQ(view_.historyEmptyView()->hint(),
              u"Copy text, files, HTML, Markdown, colors, or images"_qs);
    EXPECT_FALSE(view_.clearButton()->isEnabled());
    EXPECT_DOUBLE_EQ(view_.clearButton()->drawnOpacity(), 0.45);
    EXPECT_EQ(view_.entryCount()->text(), u"0"_qs);
    EXPECT_EQ(view_.size(), QSize(700, 470));

    model_.setSelectedFilter(HistoryFilter::all);
    search(model_, QString());
    fill(texts(3));
    EXPECT_EQ(view_.listState(), ContentView::ListState::entries);
    EXPECT_TRUE(view_.clearButton()->isEnabled());
    EXPECT_DOUBLE_EQ(view_.clearButton()->drawnOpacity(), 1.0);
    search(model_, u"no such words"_qs);
    EXPECT_EQ(view_.listState(), ContentView::ListState::noMatches);
    EXPECT_EQ(view_.noMatchesView()->headline(), u"No matches found"_qs);
    EXPECT_EQ(view_.noMatchesView()->hint(), u"Try another search or filter"_qs);
    EXPECT_EQ(view_.entryCount()->text(), u"3"_qs); // the whole count
    EXPECT_FALSE(model_.selectedID().has_value());
    // Typing goes through the field into the model.
    QTest::keyClicks(view_.searchField(), u" 1"_qs);
    EXPECT_EQ(model_.searchQuery(), u"no such words 1"_qs);

    QTest::mouseClick(view_.clearButton(), Qt::LeftButton);
    EXPECT_TRUE(manager_.history().isEmpty());
    EXPECT_EQ(view_.listState(), ContentView::ListState::historyEmpty);
    EXPECT_FALSE(view_.clearButton()->isEnabled());
    EXPECT_EQ(view_.entryCount()->text(), u"0"_qs);
}

TEST_F(ContentViewTest, RowsPasteOnClickDeleteAndFollowTheFilter) {
    const QList<ClipboardEntry> entries = {makeEntry(ClipboardKind::text, u"alpha"_qs),
                                           makeEntry(ClipboardKind::code, u"int beta;"_qs),
                                           makeEntry(ClipboardKind::text, u"gamma"_qs),
                                           makeEntry(ClipboardKind::text, u"delta"_qs)};
    fill(entries);
    QList<QUuid> activated;
    model_.onActivate = [&](const ClipboardEntry& chosen) { activated << chosen.id(); };
    view_.show();

    click(cardOf(1).center());
    ASSERT_EQ(activated, QList<QUuid>{entries[1].id()});
    EXPECT_EQ(model_.selectedID(), entries[1].id());
    // A click anywhere on the card, its empty right part included; the gap between cards is no row.
    click(cardOf(2).bottomRight() - QPoint(30, 3));
    EXPECT_EQ(activated.size(), 2);
    click(QPoint(cardOf(0).center().x(), cardOf(0).bottom() + 5));
    EXPECT_EQ(activated.size(), 2);

    // The delete button only deletes; deleting the selected row selects the first.
    model_.setSelectedID(entries[2].id());
    click(view_.rowDelegate()->deleteButtonRect(cardOf(2), rows().entryAt(2)).center());
    EXPECT_EQ(activated.size(), 2);
    ASSERT_EQ(manager_.history().size(), 3);
    EXPECT_EQ(manager_.history().at(2).id(), entries[3].id());
    EXPECT_EQ(rows().rowCount(), 3);
    EXPECT_EQ(model_.selectedID(), entries[0].id());
    EXPECT_TRUE(rows().data(rows().index(0), HistoryListModel::SelectedRole).toBool());

    // A filter that hides the selection moves it to the first visible row; the menu writes it.
    model_.setSelectedFilter(HistoryFilter::code);
    EXPECT_EQ(view_.filterMenu()->currentText(), u"Code"_qs);
    EXPECT_EQ(rows().rowCount(), 1);
    EXPECT_EQ(model_.selectedID(), entries[1].id());
    emit view_.filterMenu()->activated(0);
    EXPECT_EQ(model_.selectedFilter(), HistoryFilter::all);
    EXPECT_EQ(rows().rowCount(), 3);
}

TEST_F(ContentViewTest, SelectionIsScrolledToTheMiddle) {
    fill(texts(40));
    view_.show();
    QScrollBar* bar = view_.listView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
    model_.setSelectedID(manager_.history().at(20).id());
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::abs(cardOf(20).center().y() - view_.listView()->viewport()->height() / 2) <= 1;
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
        makeEntry(ClipboardKind::code, u"if (x) {\n  return \"y\";\n}\nline four\nline five"_qs),
        makeEntry(ClipboardKind::text, u""_qs),
        makeEntry(ClipboardKind::color, u"#nothex"_qs, {.colorHex = u"#nothex"_qs}),
        makeEntry(ClipboardKind::image, u"picture"_qs)};
    fill(entries);
    view_.show();
    RowPreviewCache& cache = view_.previewCache();
    // Formatted code: four lines at most and no plain lines; while searching the plain subtitle.
    const PreviewLayout& code = cache.preview(entries[0], false, 400);
    EXPECT_TRUE(code.lines().isEmpty());
    EXPECT_EQ(code.lineCount(), 4);
    EXPECT_TRUE(code.isCut());
    const PreviewLayout& plainCode = cache.preview(entries[0], true, 400);
    ASSERT_FALSE(plainCode.lines().isEmpty());
    EXPECT_TRUE(plainCode.lines().first().startsWith(u"if (x) { return"_qs));
    // An empty subtitle keeps one line; no tile without image data; a bad colour keeps its text.
    EXPECT_EQ(cache.preview(entries[1], false, 400).lineCount(), 1);
    EXPECT_GT(cache.preview(entries[1], false, 400).height(), 0);
    EXPECT_TRUE(cache.tileImage(entries[3]).isNull());
    EXPECT_EQ(cache.preview(entries[2], false, 400).lines(), QStringList{u"#nothex"_qs});
    // Long text is cut after three lines with an ellipsis.
    const PreviewLayout longText = PreviewLayout::plain(QString(2000, u'w') + u" end"_qs,
                                                        RowPreviewCache::previewFont(), 3, 200);
    EXPECT_EQ(longText.lineCount(), 3);
    EXPECT_TRUE(longText.lines().last().endsWith(u"\u2026"_qs));
}

TEST_F(ContentViewTest, OverlayAndBadgeShowTheRegisteredShortcut) {
    fill(texts(2));
    view_.show();
    const HotkeySettingsView* card = view_.settingsOverlay()->card();
    const auto shown = [&] {
        return std::tuple(view_.shortcutBadge()->text(), view_.shortcutBadge()->toolTip(),
                          card->currentShortcutText(), card->currentShortcutLabel()->toolTip());
    };
    const auto commandShiftV =
        std::tuple(u"⌘⇧V"_qs, u"Super+Shift+V"_qs, u"Current: ⌘⇧V"_qs, u"Super+Shift+V"_qs);
    EXPECT_EQ(shown(), commandShiftV);

    // The gear opens the overlay; a click on the card keeps it, one on the dark layer or
    // Return closes it.
    QTest::mouseClick(view_.settingsButton(), Qt::LeftButton);
    ASSERT_TRUE(view_.isShowingHotkeySettings());
    SettingsOverlay* overlay = view_.settingsOverlay();
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry(), view_.rect());
    QTest::mouseClick(overlay, Qt::LeftButton, {}, card->geometry().topLeft() + QPoint(30, 8));
    EXPECT_TRUE(view_.isShowingHotkeySettings());
    QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_FALSE(view_.isShowingHotkeySettings());
    EXPECT_FALSE(overlay->isVisible());
    view_.setShowingHotkeySettings(true);
    QTest::keyClick(overlay->card(), Qt::Key_Return);
    EXPECT_FALSE(view_.isShowingHotkeySettings());

    // Nothing registered (another program holds the shortcut): both say so.
    settings_.setRegisteredHotkey(std::nullopt);
    const QString none = u"No shortcut is registered: another program holds it"_qs;
    EXPECT_EQ(shown(), std::tuple(u"None"_qs, none, u"Current: None"_qs, none));
    // A choice the desktop refused: the pickers keep it, the lines show what is in force.
    settings_.setRegisteredHotkey(HotkeyConfig::defaultConfig());
    settings_.setHotkeyConfig({HotkeyKey::k, HotkeyModifierPreset::optionShift});
    EXPECT_EQ(card->keyPicker()->currentText(), u"K"_qs);
    EXPECT_EQ(shown(), commandShiftV);
    settings_.setRegisteredHotkey(HotkeyConfig{HotkeyKey::k, HotkeyModifierPreset::optionShift});
    EXPECT_EQ(shown(),
              std::tuple(u"⌥⇧K"_qs, u"Alt+Shift+K"_qs, u"Current: ⌥⇧K"_qs, u"Alt+Shift+K"_qs));
}

// Spreadsheet and web-page HTML drawn on the dark card: no light box may hold the card's light
// text, table rows are lines, and links stand out with good contrast.
TEST(PanelPreviews, HtmlReadsOnTheDarkCard) {
    const QColor card(0x2a, 0x2a, 0x2e);
    const auto layout = [](const QString& html) {
        return PreviewLayout::rich(
            PreviewFormatter::rich(makeEntry(ClipboardKind::html, u"t"_qs, {.html = html})),
            RowPreviewCache::previewFont(), 3, 400);
    };
    const auto draw = [&](const QString& html) {
        QImage image(400, 80, QImage::Format_RGB32);
        image.fill(card);
        QPainter painter(&image);
        layout(html).paint(painter, QPointF(0, 0), QColor(255, 255, 255, 235));
        return image;
    };
    const auto luminance = [](const QColor& c) {
        const auto linear = [](qreal v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    for (const QString& html :
         {u"<table bgcolor=white border=1><tr><td><font color=black>Q1 revenue</font></td>"
          "<td>42</td></tr></table>"_qs,
          u"<table><tr><td style=\"background-color:#ffffff;color:#000\">Q1 revenue</td>"
          "<td bgcolor=\"#fafafa\">42</td></tr></table>"_qs,
          u"<body style=\"background:white;color:black\"><p>Q1 revenue 42</p></body>"_qs,
          u"<div style=\"background-color:white\"><span style=\"color:#111\">Q1 revenue"
          "</span></div>"_qs}) {
        // Within what was drawn, text strokes are a small part; a white box would fill it.
        const QImage image = draw(html);
        QRect drawn;
        qsizetype light = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel(image.pixel(x, y));
                drawn |= pixel != card ? QRect(x, y, 1, 1) : QRect();
                light += pixel.lightnessF() > 0.85 ? 1 : 0;
            }
        }
        ASSERT_FALSE(drawn.isEmpty()) << html.toStdString();
        EXPECT_LT(light, drawn.width() * drawn.height() / 3) << html.toStdString();
    }

    const PreviewLayout table = layout(u"<table border=1><tr><td>a</td><td>b</td><td>c</td></tr>"
                                       "<tr><td>1</td><td>2</td><td>3</td></tr>"
                                       "<tr><td>4</td><td>5</td><td>6</td></tr></table>"_qs);
    EXPECT_EQ(table.lineCount(), 3);
    EXPECT_FALSE(table.isCut());
    EXPECT_GE(table.height(), 3 * QFontMetricsF(RowPreviewCache::previewFont()).height());

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
