// The panel window on X with a window manager, without and with a compositing manager.

#include "panel/PanelFixture.h"

#include "app/CompositingManager.h"
#include "app/PastePanel.h"
#include "app/PastePanelController.h"
#include "panel/ContentView.h"

#include <QDialog>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QScrollBar>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

struct PastePanelControllerTest : test::PanelFixture {
    PastePanelController controller{manager_, model_, settings_};
    QList<QUuid> activated;

    PastePanelControllerTest() {
        for (int i = 29; i >= 0; --i) {
            manager_.insert(test::makeEntry(ClipboardKind::text, QStringLiteral("entry %1").arg(i))
                                .withBackfilledSearchIndex());
        }
        model_.onActivate = [this](const ClipboardEntry& entry) { activated << entry.id(); };
    }
    QUuid idAt(int row) const { return manager_.history().at(row).id(); }
    static QPointF centre() {
        return QRectF(QGuiApplication::primaryScreen()->geometry()).center();
    }
    void showAndWaitForKeyboard() {
        controller.show(PastePanelController::fromScreenCoordinates(centre()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller.panel()->isActiveWindow(); }))
            << "the window manager did not activate the panel";
        test::spin(100ms);
        ASSERT_TRUE(controller.isVisible());
        EXPECT_TRUE(controller.hasKeyMonitor());
    }
    static void bringUp(QWidget& window) {
        window.resize(300, 200);
        window.show();
        window.activateWindow();
    }
    void expectHidden() {
        EXPECT_FALSE(controller.isVisible());
        EXPECT_FALSE(controller.hasKeyMonitor());
    }
    static void press(const QString& keys) {
        const test::ProcessResult result = test::runProcess(
            QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys.split(' '));
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        test::spin(150ms);
    }
};

// Shown twice: still one key handler, so each key acts once. The selection survives closing, and
// every opening scrolls it into view (what Return pastes). Clamping: PanelGeometry's test.
TEST_F(PastePanelControllerTest, AToolWindowThatTakesTheKeysAndHidesWhenItLosesFocus) {
    expectHidden();
    PastePanel* panel = controller.panel();
    const Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    EXPECT_EQ(panel->windowFlags() & (flags | Qt::WindowType_Mask), flags | Qt::Tool);

    const bool composited = CompositingManager::isRunning();
    controller.show(PastePanelController::fromScreenCoordinates(centre()));
    EXPECT_EQ(panel->windowOpacity() < 1.0, composited) << panel->windowOpacity(); // fades in
    showAndWaitForKeyboard();
    EXPECT_EQ(panel->geometry(), QRect((centre() - QPointF(350, 235)).toPoint(), QSize(700, 470)));
    QLineEdit* search = controller.contentView()->searchField();
    EXPECT_TRUE(search->hasFocus());
    const test::ProcessResult state =
        test::runProcess("xprop", {"-id", QString::number(panel->winId()), "_NET_WM_STATE"});
    EXPECT_TRUE(state.out.contains("_NET_WM_STATE_SKIP_TASKBAR")) << state.out.toStdString();
    EXPECT_EQ(panel->testAttribute(Qt::WA_TranslucentBackground), composited);
    EXPECT_EQ(controller.contentView()->isTranslucent(), composited);
    // Without a compositor only the rounded card is left of the window: no corners show black.
    const QRegion mask = panel->mask();
    EXPECT_EQ(std::tuple(mask.isEmpty(), mask.contains(QPoint(2, 2)), mask.contains(QPoint(12, 12)),
                         mask.contains(QPoint(350, 235))),
              std::tuple(composited, false, false, !composited));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->windowOpacity() == 1.0; }));

    press("e n Left BackSpace"); // Left and BackSpace belong to the field
    EXPECT_EQ(search->text(), u"n"_qs);
    press("Down Down Up Down");
    EXPECT_EQ(model_.selectedID(), idAt(2));
    press("shift+Return");
    EXPECT_EQ(activated, QList<QUuid>{idAt(2)});
    press("Return KP_Enter");
    EXPECT_EQ(activated.size(), 3);

    // A modal window of ours takes the keyboard: the panel stays.
    {
        QDialog dialog;
        dialog.setModal(true);
        bringUp(dialog);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.isActiveWindow(); }));
        test::spin(200ms);
        EXPECT_TRUE(controller.isVisible());
    }
    // Another window does, with the settings overlay open: the panel hides, and shows again
    // with the overlay, whose "Done" takes Return and pastes nothing.
    showAndWaitForKeyboard();
    controller.contentView()->setShowingHotkeySettings(true);
    QWidget other;
    bringUp(other);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isVisible(); }));
    expectHidden();
    showAndWaitForKeyboard();
    EXPECT_TRUE(controller.contentView()->isShowingHotkeySettings());
    press("Return");
    EXPECT_FALSE(controller.contentView()->isShowingHotkeySettings());
    EXPECT_EQ(activated.size(), 3);

    press(QStringLiteral("Down ").repeated(10) + "Escape");
    expectHidden();
    QListView* list = controller.contentView()->listView();
    list->verticalScrollBar()->setValue(0); // as the wheel or a new copy would leave it
    showAndWaitForKeyboard();
    EXPECT_EQ(model_.selectedID(), idAt(12));
    const QRect row = list->visualRect(list->model()->index(12, 0));
    EXPECT_TRUE(list->viewport()->rect().contains(row.adjusted(0, 4, 0, -4)));
}

} // namespace
