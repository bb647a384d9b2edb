// The panel window on a real X display with a window manager; run once without and once with
// a compositing manager.

// The shortcut types before the panel's: HistoryFilter's qHash would hide theirs.
#include "settings/AppSettings.h"

#include "app/CompositingManager.h"
#include "app/PastePanel.h"
#include "app/PastePanelController.h"
#include "panel/ContentView.h"
#include "panel/PanelViewModel.h"
#include "panel/TestEntries.h"
#include "platform/memory/MemoryDataLocations.h"
#include "platform/memory/MemoryLoginItemService.h"
#include "store/ClipboardManager.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

class PastePanelControllerTest : public ::testing::Test {
protected:
    PastePanelControllerTest()
        : locations_(dir_.path(), dir_.path()), settings_(locations_, loginItems_),
          manager_(ClipboardManager::Services{.locations = &locations_}), model_(manager_) {
        for (int i = 4; i >= 0; --i) {
            manager_.insert(textEntry(QStringLiteral("entry %1").arg(i)));
        }
        model_.onActivate = [this](const ClipboardEntry& entry) { activated_ << entry.id(); };
    }

    // The window manager's focus handling for the windows of an earlier test (its fallback
    // after an unmap) must not race with this test's panel.
    void SetUp() override { test::spin(400ms); }

    QUuid idAt(int row) const { return manager_.history().at(row).id(); }
    static ClipboardEntry textEntry(const QString& text) {
        return test::makeEntry(ClipboardKind::text, text).withBackfilledSearchIndex();
    }

    // Shows the panel centred on the screen and waits until it has the keyboard.
    void showAndWaitForKeyboard(PastePanelController& controller) {
        const QPointF centre = QRectF(QGuiApplication::primaryScreen()->geometry()).center();
        controller.show(PastePanelController::fromScreenCoordinates(centre));
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller.panel()->isActiveWindow(); }))
            << "the window manager did not activate the panel";
        test::spin(100ms);
        ASSERT_TRUE(controller.isVisible());
    }

    static void press(const QString& keys) {
        const test::ProcessResult result =
            test::runProcess(QStringLiteral("xdotool"),
                             QStringList{QStringLiteral("key")} + keys.split(QLatin1Char(' ')));
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        test::spin(150ms);
    }

    QTemporaryDir dir_;
    MemoryDataLocations locations_;
    MemoryLoginItemService loginItems_;
    AppSettings settings_;
    ClipboardManager manager_;
    PanelViewModel model_;
    QList<QUuid> activated_;
};

} // namespace

// Clamping to the visible area is PanelGeometry's rule, checked there.
TEST_F(PastePanelControllerTest, ShowsAFramelessToolWindowCentred) {
    PastePanelController controller(manager_, model_, settings_);
    EXPECT_FALSE(controller.isVisible());
    EXPECT_FALSE(controller.hasKeyMonitor());
    const Qt::WindowFlags flags = controller.panel()->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);

    showAndWaitForKeyboard(controller);
    EXPECT_TRUE(controller.isVisible());
    EXPECT_TRUE(controller.hasKeyMonitor());
    EXPECT_EQ(controller.panel()->size(), QSize(700, 470));
    const QPointF centre = QRectF(QGuiApplication::primaryScreen()->geometry()).center();
    EXPECT_EQ(controller.panel()->geometry().topLeft(), (centre - QPointF(350, 235)).toPoint());
    EXPECT_TRUE(controller.contentView()->searchField()->hasFocus());

    // Stays out of the taskbar.
    const test::ProcessResult state =
        test::runProcess(QStringLiteral("xprop"),
                         {QStringLiteral("-id"), QString::number(controller.panel()->winId()),
                          QStringLiteral("_NET_WM_STATE")});
    EXPECT_TRUE(state.out.contains("_NET_WM_STATE_SKIP_TASKBAR")) << state.out.toStdString();

    controller.hide();
    EXPECT_FALSE(controller.isVisible());
    EXPECT_FALSE(controller.hasKeyMonitor());
}

TEST_F(PastePanelControllerTest, TranslucentAndFadedOnlyWithACompositor) {
    PastePanelController controller(manager_, model_, settings_);
    const bool composited = CompositingManager::isRunning();
    const QPointF centre = QRectF(QGuiApplication::primaryScreen()->geometry()).center();
    controller.show(PastePanelController::fromScreenCoordinates(centre));
    PastePanel* panel = controller.panel();
    EXPECT_EQ(panel->testAttribute(Qt::WA_TranslucentBackground), composited);
    EXPECT_EQ(panel->isTranslucent(), composited);
    EXPECT_EQ(controller.contentView()->isTranslucent(), composited);
    if (composited) {
        EXPECT_LT(panel->windowOpacity(), 1.0);
        EXPECT_TRUE(panel->mask().isEmpty());
    } else {
        EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
        // Only the rounded card is left of the window: no corners to show black.
        EXPECT_FALSE(panel->mask().isEmpty());
        EXPECT_FALSE(panel->mask().contains(QPoint(2, 2)));
        EXPECT_FALSE(panel->mask().contains(QPoint(12, 12)));
        EXPECT_TRUE(panel->mask().contains(QPoint(350, 235)));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->windowOpacity() == 1.0; }))
        << panel->windowOpacity() << " visible " << panel->isVisible();
}

// Shown three times: still one key handler, so each key acts once.
TEST_F(PastePanelControllerTest, KeyTable) {
    PastePanelController controller(manager_, model_, settings_);
    showAndWaitForKeyboard(controller);
    showAndWaitForKeyboard(controller);
    showAndWaitForKeyboard(controller);
    QLineEdit* search = controller.contentView()->searchField();
    ASSERT_EQ(model_.selectedID(), idAt(0));

    press(QStringLiteral("e n"));
    EXPECT_EQ(search->text(), u"en"_qs);
    EXPECT_EQ(model_.searchQuery(), u"en"_qs);

    press(QStringLiteral("Down Down Up Down"));
    EXPECT_EQ(model_.selectedID(), idAt(2));
    EXPECT_EQ(search->text(), u"en"_qs);
    EXPECT_TRUE(activated_.isEmpty());

    press(QStringLiteral("shift+Return"));
    EXPECT_EQ(activated_, QList<QUuid>{idAt(2)});
    press(QStringLiteral("Return"));
    press(QStringLiteral("KP_Enter"));
    EXPECT_EQ(activated_.size(), 3);
    EXPECT_EQ(search->text(), u"en"_qs);

    // Left, Right and BackSpace belong to the field.
    press(QStringLiteral("Left BackSpace"));
    EXPECT_EQ(search->text(), u"n"_qs);

    press(QStringLiteral("Escape"));
    EXPECT_FALSE(controller.isVisible());
    EXPECT_FALSE(controller.hasKeyMonitor());
}

// What Return pastes is always in view: the selection survives closing and reopening, a new
// copy takes it, and every opening scrolls the selected row into view.
TEST_F(PastePanelControllerTest, ReopeningShowsTheRowThatReturnPastes) {
    for (int i = 5; i < 30; ++i) {
        manager_.insert(textEntry(QStringLiteral("entry %1").arg(i)));
    }
    PastePanelController controller(manager_, model_, settings_);
    QListView* list = controller.contentView()->listView();
    const auto selectedRowInView = [&] {
        const int row = static_cast<int>(
            std::find_if(manager_.history().begin(), manager_.history().end(),
                         [&](const ClipboardEntry& e) { return e.id() == model_.selectedID(); }) -
            manager_.history().begin());
        const QRect item = list->visualRect(list->model()->index(row, 0));
        return list->viewport()->rect().contains(item.adjusted(0, 4, 0, -4));
    };

    showAndWaitForKeyboard(controller);
    EXPECT_EQ(model_.selectedID(), idAt(0));
    for (int i = 0; i < 12; ++i) {
        press(QStringLiteral("Down"));
    }
    press(QStringLiteral("Escape"));
    ASSERT_FALSE(controller.isVisible());
    // Scrolled away while closed (as a new copy or the wheel would leave it).
    list->verticalScrollBar()->setValue(0);
    showAndWaitForKeyboard(controller);
    EXPECT_EQ(model_.selectedID(), idAt(12));
    EXPECT_TRUE(selectedRowInView());
    press(QStringLiteral("Escape"));

    // A new copy while closed: the panel opens on it, at the top, and Return pastes it.
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    manager_.insert(textEntry(QStringLiteral("NEWEST-ITEM-123")));
    showAndWaitForKeyboard(controller);
    EXPECT_EQ(model_.selectedID(), idAt(0));
    EXPECT_TRUE(selectedRowInView());
    press(QStringLiteral("Return"));
    ASSERT_FALSE(activated_.isEmpty());
    EXPECT_EQ(activated_.last(), idAt(0));
    EXPECT_EQ(manager_.history().first().text(), QStringLiteral("NEWEST-ITEM-123"));
}

TEST_F(PastePanelControllerTest, HidesOnLosingTheKeyboardUnlessAModalWindowIsUp) {
    PastePanelController controller(manager_, model_, settings_);
    showAndWaitForKeyboard(controller);

    // A modal dialog takes the keyboard: the panel stays.
    {
        QDialog dialog;
        dialog.setModal(true);
        dialog.resize(200, 100);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.isActiveWindow(); }));
        test::spin(200ms);
        EXPECT_TRUE(controller.isVisible());
    }
    controller.hide();

    // The settings overlay is open and another window takes the keyboard: the panel hides and
    // the overlay is still open when it shows again.
    showAndWaitForKeyboard(controller);
    controller.contentView()->setShowingHotkeySettings(true);
    QWidget other;
    other.resize(300, 200);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isVisible(); }));
    EXPECT_FALSE(controller.hasKeyMonitor());

    showAndWaitForKeyboard(controller);
    EXPECT_TRUE(controller.contentView()->isShowingHotkeySettings());
    // With the card up, Return is its "Done" and pastes nothing.
    press(QStringLiteral("Return"));
    EXPECT_FALSE(controller.contentView()->isShowingHotkeySettings());
    EXPECT_TRUE(activated_.isEmpty());
    EXPECT_TRUE(controller.isVisible());
}
