// The application's sequences with in-memory desktop services.

#include "app/AppDelegate.h"
#include "app/PanelPresenter.h"
#include "panel/PanelViewModel.h"
#include "platform/memory/MemoryAccessibilityTrust.h"
#include "platform/memory/MemoryDataLocations.h"
#include "platform/memory/MemoryFallbackKeystroke.h"
#include "platform/memory/MemoryHotkeyRegistrar.h"
#include "platform/memory/MemoryKeystrokePoster.h"
#include "platform/memory/MemoryLoginItemService.h"
#include "platform/memory/MemoryPasteboard.h"
#include "platform/memory/MemoryWorkspace.h"
#include "settings/AppSettings.h"
#include "settings/HotkeyMonitor.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace quillstack;

namespace {

using Preset = HotkeyModifierPreset;
constexpr quint32 keyC = 8, commandOption = Preset::commandBit | Preset::optionBit;

// The panel as the delegate sees it, recording where it was shown.
struct RecordingPanel : PanelPresenter {
    bool isVisible() const override { return visible; }
    void show(const QPointF& point) override {
        visible = true;
        shownAt.append(point);
    }
    void hide() override { visible = false; }
    QPointF pointerLocation() const override { return pointer; }
    bool visible = false;
    QList<QPointF> shownAt;
    QPointF pointer{640, 400};
};

// Remembers what the clipboard held at each activation.
struct ObservingWorkspace : MemoryWorkspace {
    explicit ObservingWorkspace(MemoryPasteboard& board) : pasteboard(board) {}
    void activate(const RunningApplication& application) override {
        clipboardAtActivation.append(pasteboard.string(Pasteboard::stringType()).value_or(""));
        MemoryWorkspace::activate(application);
    }
    MemoryPasteboard& pasteboard;
    QStringList clipboardAtActivation;
};

struct DelegateFixture : testing::Test {
    QTemporaryDir dataHome;
    MemoryDataLocations locations{dataHome.path()};
    MemoryPasteboard pasteboard;
    MemoryKeystrokePoster keystrokes;
    ObservingWorkspace workspace{pasteboard};
    MemoryAccessibilityTrust trust{true};
    MemoryFallbackKeystroke fallback;
    MemoryLoginItemService loginItems;
    MemoryHotkeyRegistrar hotkeys;
    RecordingPanel* panel = nullptr;
    std::unique_ptr<AppDelegate> delegate;
    const RunningApplication editor{7, QStringLiteral("Editor")};

    void construct() {
        const auto makePanel = [this](ClipboardManager&, PanelViewModel&, AppSettings&) {
            auto made = std::make_unique<RecordingPanel>();
            panel = made.get();
            return made;
        };
        delegate = std::make_unique<AppDelegate>(AppDelegate::Services{
            {&pasteboard, &locations, &workspace, &trust, &keystrokes, &fallback},
            &loginItems,
            &hotkeys,
            makePanel,
            false});
    }
    const QList<ClipboardEntry>& history() const { return delegate->manager().history(); }
    // Another program's copy, recorded by the running polling loop.
    void copy(const QString& text) {
        const auto before = history().size();
        pasteboard.offer(Pasteboard::stringType(), text);
        ASSERT_TRUE(QTest::qWaitFor([&] { return history().size() > before; }));
    }
};

// The messages of a refused shortcut are HotkeyMonitor's, checked there.
TEST_F(DelegateFixture, StartShortcutShutdownNextStartAndPastesIntoTheWindowInFront) {
    hotkeys.refuse(9, Preset::commandBit | Preset::shiftBit); // V: another program holds it
    construct();
    delegate->applicationDidFinishLaunching();
    AppSettings& settings = delegate->settings();
    EXPECT_EQ(settings.registeredHotkey(), std::nullopt);
    // A free shortcut is registered at once; a refused one leaves the one in force.
    const HotkeyConfig free{HotkeyKey::c, Preset::commandOption};
    settings.setHotkeyConfig(free);
    EXPECT_EQ(settings.registeredHotkey(), free);
    hotkeys.refuse(40, commandOption); // K
    settings.setHotkeyConfig({HotkeyKey::k, Preset::commandOption});
    EXPECT_EQ(settings.registeredHotkey(), free);
    settings.setHotkeyConfig(free);

    copy(QStringLiteral("kept from last time"));
    // Shutdown releases the shortcut and stops recording.
    delegate->applicationWillTerminate();
    EXPECT_TRUE(hotkeys.registrations().isEmpty());
    pasteboard.offer(Pasteboard::stringType(), QStringLiteral("after shutdown"));
    test::spin(PasteboardMonitor::pollInterval * 2);
    EXPECT_EQ(history().size(), 1);
    delegate.reset();

    // The next start reads both files on construction; nothing else has started.
    trust.setTrusted(false);
    construct();
    ASSERT_EQ(history().size(), 1);
    EXPECT_EQ(history().front().text(), QStringLiteral("kept from last time"));
    EXPECT_EQ(delegate->panel(), nullptr);
    EXPECT_FALSE(delegate->hotkey().isStarted());
    EXPECT_FALSE(delegate->manager().monitor().isMonitoring());
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(trust.promptCount(), 1);
    EXPECT_TRUE(delegate->manager().monitor().isMonitoring());
    ASSERT_NE(delegate->panel(), nullptr);
    trust.setTrusted(true);

    // The window in front when the panel opens is remembered, unless it is ours. A paste hides
    // the panel, writes the clipboard, brings the window back, then sends the keys.
    copy(QStringLiteral("older entry"));
    copy(QStringLiteral("newest entry"));
    workspace.setFrontmostApplication(editor);
    ASSERT_TRUE(hotkeys.press(keyC, commandOption));
    EXPECT_FALSE(panel->visible); // queued, not run inside the hot-key handler
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->visible; }));
    EXPECT_EQ(panel->shownAt, QList<QPointF>{QPointF(640, 400)});
    const RunningApplication other{99, QStringLiteral("Other")};
    workspace.setFrontmostApplication(other);
    ASSERT_TRUE(hotkeys.press(keyC, commandOption));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->visible; }));
    panel->pointer = QPointF(10, 20);
    delegate->openPanel();
    delegate->openPanel(); // already open
    EXPECT_EQ(panel->shownAt, (QList<QPointF>{QPointF(640, 400), QPointF(10, 20)}));
    EXPECT_EQ(delegate->previousApp(), other);
    delegate->togglePanel();

    workspace.setOwnWindows({55});
    workspace.setFrontmostApplication(RunningApplication{55, QStringLiteral("quillstack")});
    delegate->togglePanel();
    EXPECT_EQ(delegate->previousApp(), std::nullopt);
    // Without a window to return to, the paste still happens.
    delegate->performPaste(history().front());
    EXPECT_TRUE(workspace.activations().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !keystrokes.posted().isEmpty(); }));
    const qsizetype onePaste = keystrokes.posted().size();

    // Down then Return in the panel: the view model hands the second entry to the delegate.
    workspace.setFrontmostApplication(editor);
    delegate->togglePanel();
    PanelViewModel& model = *delegate->model();
    model.syncSelection();
    model.moveSelection(true);
    model.confirmSelection();
    EXPECT_FALSE(panel->visible);
    EXPECT_EQ(workspace.activations(), QList<RunningApplication>{editor});
    EXPECT_EQ(workspace.clipboardAtActivation, QStringList{"older entry"});
    EXPECT_EQ(keystrokes.posted().size(), onePaste); // not yet
    ASSERT_TRUE(QTest::qWaitFor([&] { return keystrokes.posted().size() == 2 * onePaste; }));

    // A keystroke still pending dies with the delegate.
    delegate->performPaste(history().front());
    delegate.reset();
    test::spin(AppDelegate::pasteKeystrokeDelay * 3);
    EXPECT_EQ(keystrokes.posted().size(), 2 * onePaste);
}

} // namespace
