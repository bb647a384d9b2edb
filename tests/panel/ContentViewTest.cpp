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
#include "settings/ToggleSwitch.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
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
    auto state() const {
        const EmptyStateView* empty = view_.listState() == ContentView::ListState::noMatches
                                          ? view_.noMatchesView()
                                          : view_.historyEmptyView();
        return std::tuple(view_.listState(), empty->headline(), view_.entryCount()->text(),
                          view_.clearButton()->isEnabled(), view_.clearButton()->drawnOpacity());
    }

    ContentView view_{manager_, model_, settings_};
    HotkeySettingsView& card_ = *view_.settingsOverlay()->card();
};

// Chooses a picker's row as a user does, through the activation the list reports.
void choose(PopupButton* picker, const QString& label) {
    const int row = picker->findText(label);
    ASSERT_GE(row, 0) << label.toStdString();
    picker->setCurrentIndex(row);
    emit picker->activated(row);
}

using State = ContentView::ListState;
const QString emptyHeadline = u"Clipboard history is empty"_qs;

} // namespace

TEST_F(ContentViewTest, ListStatesCountAndClear) {
    view_.show();
    // An empty history wins over query and filter.
    search(model_, u"anything"_qs);
    model_.setSelectedFilter(HistoryFilter::code);
    EXPECT_EQ(state(), std::tuple(State::historyEmpty, emptyHeadline, u"0"_qs, false, 0.45));
    model_.setSelectedFilter(HistoryFilter::all);
    search(model_, QString());
    fillTexts(3);
    EXPECT_EQ(std::get<0>(state()), State::entries);
    search(model_, u"no such words"_qs);
    EXPECT_EQ(state(), std::tuple(State::noMatches, u"No matches found"_qs, u"3"_qs, true, 1.0));
    QTest::mouseClick(view_.clearButton(), Qt::LeftButton);
    EXPECT_EQ(state(), std::tuple(State::historyEmpty, emptyHeadline, u"0"_qs, false, 0.45));
}

TEST_F(ContentViewTest, RowsPasteOnClickDeleteAndFollowTheFilter) {
    const QList<ClipboardEntry> entries = fill(
        {makeEntry(ClipboardKind::text, u"alpha"_qs), makeEntry(ClipboardKind::code, u"int b;"_qs),
         makeEntry(ClipboardKind::text, u"gamma"_qs), makeEntry(ClipboardKind::text, u"delta"_qs)});
    QList<QUuid> activated;
    model_.onActivate = [&](const ClipboardEntry& chosen) { activated << chosen.id(); };
    view_.show();
    click(cardOf(1).center());
    ASSERT_EQ(activated, QList<QUuid>{entries[1].id()});
    EXPECT_EQ(model_.selectedID(), entries[1].id());
    // Anywhere on the card, its empty right part included; the gap between cards is no row.
    click(cardOf(2).bottomRight() - QPoint(30, 3));
    click(QPoint(cardOf(0).center().x(), cardOf(0).bottom() + 5));
    EXPECT_EQ(activated.size(), 2);
    // The delete button only deletes; deleting the selected row selects the first.
    model_.setSelectedID(entries[2].id());
    click(view_.rowDelegate()->deleteButtonRect(cardOf(2), rows().entryAt(2)).center());
    EXPECT_EQ(activated.size(), 2);
    EXPECT_FALSE(manager_.history().contains(entries[2]));
    EXPECT_EQ(rows().rowCount(), 3);
    EXPECT_TRUE(rows().data(rows().index(0), HistoryListModel::SelectedRole).toBool());
    // A filter that hides the selection moves it to the first visible row; the menu writes it.
    model_.setSelectedFilter(HistoryFilter::code);
    EXPECT_EQ(view_.filterMenu()->currentText(), u"Code"_qs);
    EXPECT_EQ(rows().rowCount(), 1);
    EXPECT_EQ(model_.selectedID(), entries[1].id());
    emit view_.filterMenu()->activated(0);
    EXPECT_EQ(model_.selectedFilter(), HistoryFilter::all);
}

TEST_F(ContentViewTest, SelectionIsScrolledToTheMiddle) {
    fillTexts(40);
    view_.show();
    QScrollBar* bar = view_.listView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    model_.setSelectedID(manager_.history().at(20).id());
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::abs(cardOf(20).center().y() - view_.listView()->viewport()->height() / 2) <= 1;
    }));
    // The last row stops at the end; re-assigning the selection scrolls to it again.
    model_.setSelectedID(manager_.history().last().id());
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == bar->maximum(); }));
    bar->setValue(0);
    model_.moveSelection(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == bar->maximum(); }));
}

TEST_F(ContentViewTest, PreviewsFollowKindAndSearch) {
    const QList<ClipboardEntry> entries = fill(
        {makeEntry(ClipboardKind::code, u"if (x) {\n  return \"y\";\n}\nline four\nline five"_qs),
         makeEntry(ClipboardKind::text, u""_qs),
         makeEntry(ClipboardKind::color, u"#nothex"_qs, {.colorHex = u"#nothex"_qs}),
         makeEntry(ClipboardKind::image, u"picture"_qs)});
    view_.show();
    RowPreviewCache& cache = view_.previewCache();
    // Formatted code: four lines at most and no plain lines; while searching the plain subtitle.
    const PreviewLayout& code = cache.preview(entries[0], false, 400);
    EXPECT_EQ(std::tuple(code.lines().isEmpty(), code.lineCount(), code.isCut()),
              std::tuple(true, 4, true));
    const PreviewLayout& plainCode = cache.preview(entries[0], true, 400);
    EXPECT_TRUE(plainCode.lines().value(0).startsWith(u"if (x) { return"_qs));
    // An empty subtitle keeps one line; no tile without image data; a bad colour keeps its text.
    const PreviewLayout& empty = cache.preview(entries[1], false, 400);
    EXPECT_EQ(std::pair(empty.lineCount(), empty.height() > 0), std::pair(1, true));
    EXPECT_TRUE(cache.tileImage(entries[3]).isNull());
    EXPECT_EQ(cache.preview(entries[2], false, 400).lines(), QStringList{u"#nothex"_qs});
    // Long text is cut after three lines with an ellipsis.
    const PreviewLayout longText = PreviewLayout::plain(QString(2000, u'w') + u" end"_qs,
                                                        RowPreviewCache::previewFont(), 3, 200);
    EXPECT_EQ(longText.lineCount(), 3);
    EXPECT_TRUE(longText.lines().last().endsWith(u"\u2026"_qs));
}

TEST_F(ContentViewTest, SettingsCardOpensClosesShowsTheShortcutAndWritesTheSettings) {
    fillTexts(2);
    view_.show();
    const auto shown = [&] {
        return std::tuple(view_.shortcutBadge()->text(), view_.shortcutBadge()->toolTip(),
                          card_.currentShortcutText(), card_.currentShortcutLabel()->toolTip());
    };
    const auto commandShiftV =
        std::tuple(u"⌘⇧V"_qs, u"Super+Shift+V"_qs, u"Current: ⌘⇧V"_qs, u"Super+Shift+V"_qs);
    EXPECT_EQ(shown(), commandShiftV);
    // The gear opens; a click on the card keeps it; dark layer, Done, Return or Enter close it.
    SettingsOverlay* overlay = view_.settingsOverlay();
    QTest::mouseClick(view_.settingsButton(), Qt::LeftButton);
    ASSERT_TRUE(view_.isShowingHotkeySettings() && overlay->isVisible());
    EXPECT_EQ(overlay->geometry(), view_.rect());
    QTest::mouseClick(overlay, Qt::LeftButton, {}, card_.geometry().topLeft() + QPoint(30, 8));
    EXPECT_TRUE(view_.isShowingHotkeySettings());
    const std::function<void()> closers[] = {
        [&] { QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(40, 40)); },
        [&] { QTest::mouseClick(card_.doneButton(), Qt::LeftButton); },
        [&] {
            card_.modifiersPicker()->setFocus();
            QTest::keyClick(card_.modifiersPicker(), Qt::Key_Return);
        },
        [&] { QTest::keyClick(&card_, Qt::Key_Enter); },
    };
    for (const auto& close : closers) {
        view_.setShowingHotkeySettings(true);
        close();
        EXPECT_FALSE(view_.isShowingHotkeySettings() || overlay->isVisible());
    }
    // Each picker writes its half and keeps the other; the switch follows and writes its setting.
    choose(card_.keyPicker(), u"K"_qs);
    EXPECT_EQ(settings_.hotkeyConfig(),
              (HotkeyConfig{HotkeyKey::k, HotkeyModifierPreset::commandShift}));
    choose(card_.modifiersPicker(), u"⌘⌥"_qs);
    EXPECT_EQ(settings_.hotkeyConfig(),
              (HotkeyConfig{HotkeyKey::k, HotkeyModifierPreset::commandOption}));
    EXPECT_EQ(card_.currentShortcutText(), u"Current: ⌘⌥K"_qs);
    settings_.setLaunchAtLogin(true);
    EXPECT_TRUE(card_.launchAtLoginSwitch()->isChecked());
    card_.launchAtLoginSwitch()->click();
    EXPECT_FALSE(settings_.launchAtLogin());
    // Nothing registered (another program holds the shortcut): both say so.
    settings_.setRegisteredHotkey(std::nullopt);
    const QString none = u"No shortcut is registered: another program holds it"_qs;
    EXPECT_EQ(shown(), std::tuple(u"None"_qs, none, u"Current: None"_qs, none));
    // A choice the desktop refused: the pickers keep it, the lines show what is in force.
    settings_.setRegisteredHotkey(HotkeyConfig::defaultConfig());
    settings_.setHotkeyConfig({HotkeyKey::k, HotkeyModifierPreset::optionShift});
    EXPECT_EQ(std::pair(card_.keyPicker()->currentText(), card_.modifiersPicker()->currentText()),
              std::pair(u"K"_qs, u"⌥⇧"_qs));
    EXPECT_EQ(shown(), commandShiftV);
    // The desktop's own trigger shows only where it assigns one.
    settings_.setAssignedHotkeyTrigger(QStringLiteral("Meta+Shift+V"));
    EXPECT_EQ(card_.assignedTriggerText(), u"Assigned by the desktop: Meta+Shift+V"_qs);
    settings_.setAssignedHotkeyTrigger(std::nullopt);
    EXPECT_EQ(card_.assignedTriggerText(), QString());
}

// HTML on the dark card: no light boxes, table rows are lines, links have good contrast.
TEST(PanelPreviews, HtmlReadsOnTheDarkCard) {
    const QColor card(0x2a, 0x2a, 0x2e);
    const auto layout = [](const QString& html) {
        return PreviewLayout::rich(
            PreviewFormatter::rich(makeEntry(ClipboardKind::html, u"t"_qs, {.html = html})),
            RowPreviewCache::previewFont(), 3, 400);
    };
    // Calls `visit` with every pixel of the HTML drawn on the card.
    const auto drawn = [&](const QString& html, const std::function<void(QPoint, QColor)>& visit) {
        QImage image(400, 80, QImage::Format_RGB32);
        image.fill(card);
        QPainter painter(&image);
        layout(html).paint(painter, QPointF(0, 0), QColor(255, 255, 255, 235));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                visit(QPoint(x, y), QColor(image.pixel(x, y)));
            }
        }
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
        QRect painted;
        qsizetype light = 0;
        drawn(html, [&](QPoint at, const QColor& pixel) {
            painted |= pixel != card ? QRect(at, QSize(1, 1)) : QRect();
            light += pixel.lightnessF() > 0.85 ? 1 : 0;
        });
        ASSERT_FALSE(painted.isEmpty()) << html.toStdString();
        EXPECT_LT(light, painted.width() * painted.height() / 3) << html.toStdString();
    }
    const PreviewLayout table = layout(u"<table border=1><tr><td>a</td><td>b</td></tr>"
                                       "<tr><td>1</td></tr><tr><td>4</td></tr></table>"_qs);
    EXPECT_EQ(std::pair(table.lineCount(), table.isCut()), std::pair(3, false));
    EXPECT_GE(table.height(), 3 * QFontMetricsF(RowPreviewCache::previewFont()).height());
    const auto luminance = [](const QColor& c) { // relative luminance of sRGB
        const auto linear = [](qreal v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    qreal best = 0;
    drawn(u"see <a href=\"https://example.com\">the report</a>"_qs, [&](QPoint, const QColor& c) {
        if (c.blue() > c.red() + 60) {
            best = std::max(best, (luminance(c) + 0.05) / (luminance(card) + 0.05));
        }
    });
    EXPECT_GE(best, 4.5); // readable contrast; the reader's own #0000ff gives about 1.7
}
