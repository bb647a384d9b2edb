// The application's sequences with in-memory desktop services: start-up, the panel toggle, the
// paste sequence, a change of shortcut and shutdown.

#include "app/AppDelegate.h"
#include "app/PanelPresenter.h"
#include "entries/ClipboardEntry.h"
#include "panel/PanelViewModel.h"
#include "platform/Pasteboard.h"
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
#include "store/ClipboardManager.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

constexpr quint32 keyV = 9;
constexpr quint32 keyC = 8;
constexpr quint32 commandShift = HotkeyModifierPreset::commandBit | HotkeyModifierPreset::shiftBit;
constexpr quint32 commandOption =
    HotkeyModifierPreset::commandBit | HotkeyModifierPreset::optionBit;

// The panel as the delegate sees it, recording what it was asked.
class RecordingPanel : public PanelPresenter {
public:
    bool isVisible() const override { return visible; }
    void show(const QPointF& point) override {
        visible = true;
        shownAt.append(point);
    }
    void hide() override {
        visible = false;
        ++hides;
    }
    QPointF pointerLocation() const override { return pointer; }

    bool visible = false;
    int hides = 0;
    QList<QPointF> shownAt;
    QPointF pointer{640, 400};
};

// Remembers, at each activation, what the clipboard held and how many keystrokes had gone.
class ObservingWorkspace : public MemoryWorkspace {
public:
    ObservingWorkspace(MemoryPasteboard& pasteboard, MemoryKeystrokePoster& keystrokes)
        : pasteboard_(pasteboard), keystrokes_(keystrokes) {}

    void activate(const RunningApplication& application) override {
        clipboardAtActivation.append(
            pasteboard_.string(Pasteboard::stringType()).value_or(QString()));
        keystrokesAtActivation.append(keystrokes_.posted().size());
        MemoryWorkspace::activate(application);
    }

    QStringList clipboardAtActivation;
    QList<qsizetype> keystrokesAtActivation;

private:
    MemoryPasteboard& pasteboard_;
    MemoryKeystrokePoster& keystrokes_;
};

struct DelegateFixture : testing::Test {
    QTemporaryDir dataHome;
    MemoryDataLocations locations{dataHome.path()};
    MemoryPasteboard pasteboard;
    MemoryKeystrokePoster keystrokes;
    ObservingWorkspace workspace{pasteboard, keystrokes};
    MemoryAccessibilityTrust trust{true};
    MemoryFallbackKeystroke fallback;
    MemoryLoginItemService loginItems;
    MemoryHotkeyRegistrar hotkeys;
    RecordingPanel* panel = nullptr;
    std::unique_ptr<AppDelegate> delegate;

    const RunningApplication editor{7, QStringLiteral("Editor")};

    AppDelegate::Services services() {
        AppDelegate::Services s;
        s.store.pasteboard = &pasteboard;
        s.store.locations = &locations;
        s.store.workspace = &workspace;
        s.store.trust = &trust;
        s.store.keystrokes = &keystrokes;
        s.store.fallback = &fallback;
        s.loginItems = &loginItems;
        s.hotkeys = &hotkeys;
        s.showsTrayItem = false;
        s.makePanel = [this](ClipboardManager&, PanelViewModel&, AppSettings&) {
            auto made = std::make_unique<RecordingPanel>();
            panel = made.get();
            return made;
        };
        return s;
    }

    void launch() {
        delegate = std::make_unique<AppDelegate>(services());
        delegate->applicationDidFinishLaunching();
    }

    // Another program's copy, recorded by the running polling loop.
    void copy(const QString& text) {
        const auto before = delegate->manager().history().size();
        pasteboard.offer(Pasteboard::stringType(), text);
        ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->manager().history().size() > before; }))
            << "not recorded: " << text.toStdString();
    }

    void pressShortcut() { ASSERT_TRUE(hotkeys.press(keyV, commandShift)); }
};

TEST_F(DelegateFixture, ConstructionReadsTheFilesAndLaunchWiresEverything) {
    {
        // A history and settings left by an earlier run.
        launch();
        copy(QStringLiteral("kept from last time"));
        // A changed shortcut moves the registration.
        delegate->settings().setHotkeyConfig({HotkeyKey::c, HotkeyModifierPreset::commandOption});
        ASSERT_EQ(hotkeys.registrations().size(), 1);
        EXPECT_EQ(hotkeys.registrations().front().keyCode, keyC);
        EXPECT_FALSE(hotkeys.press(keyV, commandShift));
        EXPECT_TRUE(hotkeys.press(keyC, commandOption));
        EXPECT_TRUE(QTest::qWaitFor([&] { return panel->visible; }));

        bool asked = false;
        QObject::connect(delegate.get(), &AppDelegate::terminationRequested, [&] { asked = true; });
        delegate->quitApp();
        EXPECT_TRUE(asked);
        // Shutdown releases the shortcut and stops recording.
        delegate->applicationWillTerminate();
        EXPECT_TRUE(hotkeys.registrations().isEmpty());
        EXPECT_FALSE(hotkeys.isHandlerInstalled());
        EXPECT_FALSE(delegate->manager().monitor().isMonitoring());
        pasteboard.offer(Pasteboard::stringType(), QStringLiteral("after shutdown"));
        test::spin(PasteboardMonitor::pollInterval * 2);
        EXPECT_EQ(delegate->manager().history().size(), 1);
        delegate.reset();
    }
    trust.setTrusted(false);
    delegate = std::make_unique<AppDelegate>(services());
    // Both files are read before launch finishes; nothing else has started.
    ASSERT_EQ(delegate->manager().history().size(), 1);
    EXPECT_EQ(delegate->manager().history().front().text(), QStringLiteral("kept from last time"));
    EXPECT_EQ(delegate->settings().hotkeyConfig().key, HotkeyKey::c);
    EXPECT_EQ(delegate->model(), nullptr);
    EXPECT_EQ(delegate->panel(), nullptr);
    EXPECT_FALSE(delegate->hotkey().isStarted());
    EXPECT_FALSE(delegate->manager().monitor().isMonitoring());

    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(trust.promptCount(), 1);
    EXPECT_TRUE(delegate->manager().monitor().isMonitoring());
    ASSERT_NE(delegate->model(), nullptr);
    ASSERT_NE(delegate->panel(), nullptr);
    EXPECT_FALSE(panel->visible);
    EXPECT_TRUE(delegate->hotkey().isRegistered());
    ASSERT_EQ(hotkeys.registrations().size(), 1);
    EXPECT_EQ(hotkeys.registrations().front().keyCode, keyC);
    EXPECT_EQ(hotkeys.registrations().front().modifierFlags, commandOption);
    EXPECT_EQ(delegate->statusItem(), nullptr);
}

TEST_F(DelegateFixture, TheShortcutTogglesThePanelAfterItsHandlerReturns) {
    launch();
    workspace.setFrontmostApplication(editor);
    pressShortcut();
    // Queued, not run inside the hot-key handler.
    EXPECT_FALSE(panel->visible);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->visible; }));
    ASSERT_EQ(panel->shownAt.size(), 1);
    EXPECT_EQ(panel->shownAt.front(), QPointF(640, 400));
    EXPECT_EQ(delegate->previousApp(), editor);

    // Pressed again while shown: hidden, and the remembered window stays.
    workspace.setFrontmostApplication(RunningApplication{99, QStringLiteral("Other")});
    pressShortcut();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->visible; }));
    EXPECT_EQ(panel->shownAt.size(), 1);
    EXPECT_EQ(delegate->previousApp(), editor);

    // The menu's first item does exactly the same; opening never hides.
    panel->pointer = QPointF(10, 20);
    delegate->openHistory();
    EXPECT_TRUE(panel->visible);
    EXPECT_EQ(panel->shownAt.back(), QPointF(10, 20));
    EXPECT_EQ(delegate->previousApp(), (RunningApplication{99, QStringLiteral("Other")}));
    delegate->openPanel();
    EXPECT_TRUE(panel->visible);
    EXPECT_EQ(panel->shownAt.size(), 2);
    delegate->openHistory();
    EXPECT_FALSE(panel->visible);
}

TEST_F(DelegateFixture, OurOwnWindowOrNoWindowInFrontIsNotRememberedAndThePasteStillHappens) {
    launch();
    workspace.setFrontmostApplication(editor);
    delegate->togglePanel();
    delegate->togglePanel();
    ASSERT_EQ(delegate->previousApp(), editor);

    workspace.setOwnWindows({55});
    workspace.setFrontmostApplication(RunningApplication{55, QStringLiteral("quillstack")});
    delegate->togglePanel();
    EXPECT_TRUE(panel->visible);
    EXPECT_EQ(delegate->previousApp(), std::nullopt);
    delegate->togglePanel();

    workspace.setFrontmostApplication(std::nullopt);
    delegate->togglePanel();
    EXPECT_EQ(delegate->previousApp(), std::nullopt);

    // Without a window to return to, the paste still happens.
    copy(QStringLiteral("only entry"));
    delegate->performPaste(delegate->manager().history().front());
    EXPECT_TRUE(workspace.activations().isEmpty());
    EXPECT_EQ(pasteboard.string(Pasteboard::stringType()), QStringLiteral("only entry"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !keystrokes.posted().isEmpty(); }));
}

TEST_F(DelegateFixture, PastingHidesWritesActivatesAndThenSendsTheKeystroke) {
    launch();
    copy(QStringLiteral("older entry"));
    copy(QStringLiteral("newest entry"));
    workspace.setFrontmostApplication(editor);
    delegate->togglePanel();
    ASSERT_TRUE(panel->visible);

    // Down then Return in the panel: the view model hands the second entry to the delegate.
    PanelViewModel& model = *delegate->model();
    model.syncSelection();
    model.moveSelection(true);
    const ClipboardEntry chosen = delegate->manager().history().at(1);
    const QList<ClipboardEntry> before = delegate->manager().history();
    model.confirmSelection();

    EXPECT_FALSE(panel->visible);
    ASSERT_EQ(workspace.activations().size(), 1);
    EXPECT_EQ(workspace.activations().front(), editor);
    // The clipboard held the entry before the window was asked back, and the keystroke came
    // only afterwards.
    EXPECT_EQ(workspace.clipboardAtActivation.front(), QStringLiteral("older entry"));
    EXPECT_EQ(workspace.keystrokesAtActivation.front(), 0);
    EXPECT_TRUE(keystrokes.posted().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !keystrokes.posted().isEmpty(); }));
    EXPECT_EQ(delegate->previousApp(), editor);

    // The program's own write is consumed by the next poll, not recorded.
    test::spin(PasteboardMonitor::pollInterval * 3);
    EXPECT_EQ(delegate->manager().monitor().lastChangeCount(), pasteboard.changeCount());
    ASSERT_EQ(delegate->manager().history().size(), before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        EXPECT_EQ(delegate->manager().history().at(i).id(), before.at(i).id());
    }
    EXPECT_EQ(chosen.text(), QStringLiteral("older entry"));
    // The write-back moved nothing: the panel reopens on the pasted entry; a new copy takes
    // the selection.
    EXPECT_EQ(model.selectedID(), chosen.id());
    copy(QStringLiteral("a new copy"));
    EXPECT_EQ(model.selectedID(), delegate->manager().history().front().id());
}

TEST_F(DelegateFixture, AKeystrokeStillPendingDiesWithTheDelegate) {
    launch();
    copy(QStringLiteral("entry"));
    delegate->performPaste(delegate->manager().history().front());
    delegate.reset();
    test::spin(AppDelegate::pasteKeystrokeDelay * 3);
    EXPECT_TRUE(keystrokes.posted().isEmpty());
    EXPECT_TRUE(fallback.runs().isEmpty());
}

TEST_F(DelegateFixture, TheSettingsKnowWhichShortcutIsRegistered) {
    constexpr quint32 keyK = 40;
    hotkeys.refuse(keyV, commandShift); // another program holds the default
    testing::internal::CaptureStderr();
    launch();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to register hotkey ⌘⇧V.\n");
    AppSettings& settings = delegate->settings();
    EXPECT_EQ(settings.hotkeyConfig(), HotkeyConfig::defaultConfig());
    EXPECT_EQ(settings.registeredHotkey(), std::nullopt);

    // Choosing a free shortcut registers it without a restart.
    const HotkeyConfig free{HotkeyKey::c, HotkeyModifierPreset::commandOption};
    settings.setHotkeyConfig(free);
    EXPECT_EQ(settings.registeredHotkey(), free);
    EXPECT_TRUE(hotkeys.press(keyC, commandOption));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->visible; }));

    // A refused change keeps the user's choice but shows the one still in force.
    hotkeys.refuse(keyK, commandOption);
    testing::internal::CaptureStderr();
    settings.setHotkeyConfig({HotkeyKey::k, HotkeyModifierPreset::commandOption});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to register hotkey ⌘⌥K.\n"
              "Quillstack: reverting to previous hotkey ⌘⌥C.\n");
    EXPECT_EQ(settings.hotkeyConfig().key, HotkeyKey::k);
    EXPECT_EQ(settings.registeredHotkey(), free);
}

} // namespace
