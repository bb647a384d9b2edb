#include "store/PasteboardMonitor.h"
#include "platform/memory/MemoryAccessibilityTrust.h"
#include "platform/memory/MemoryFallbackKeystroke.h"
#include "platform/memory/MemoryKeystrokePoster.h"
#include "platform/memory/MemoryPasteboard.h"
#include "platform/memory/MemoryWorkspace.h"
#include "store/PasteDelivery.h"
#include "support/TestEnvironment.h"

#include <QSemaphore>
#include <atomic>
#include <gtest/gtest.h>
#include <utility>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

// Counts the monitor's reads (from the capture's thread too); text reads can be held so that
// a capture stays under way.
class CountingPasteboard final : public Pasteboard {
public:
    MemoryPasteboard board;
    mutable std::atomic<int> counterReads = 0;
    std::atomic<int> itemReads = 0, heldTextReads = 0;
    std::atomic<bool> holdTextReads = false;
    QSemaphore textReadGate;
    qint64 changeCount() const override {
        ++counterReads;
        return board.changeCount();
    }
    QList<PasteboardItem> pasteboardItems() override {
        ++itemReads;
        return board.pasteboardItems();
    }
    bool hasType(const QString& type) override { return board.hasType(type); }
    std::optional<QByteArray> data(const QString& type) override { return board.data(type); }
    std::optional<QString> string(const QString& type) override {
        auto text = board.string(type);
        if (type == stringType() && holdTextReads) {
            ++heldTextReads;
            textReadGate.acquire();
        }
        return text;
    }
    void releaseTextReads() {
        holdTextReads = false;
        textReadGate.release();
    }
    std::optional<QByteArray> imageData() override { return board.imageData(); }
    void clearContents() override { board.clearContents(); }
    void writeObjects(const QList<QUrl>&) override {}
    void writeImage(const QByteArray&) override {}
    void writeObjects(const PasteboardItem&) override {}
    void setString(const QString&, const QString&) override {}
};

using Source = KeystrokePoster::Source;
using Phase = KeystrokePoster::Phase;

struct StoreLoop : testing::Test {
    CountingPasteboard pasteboard;
    MemoryWorkspace workspace;
    MemoryAccessibilityTrust trust{true};
    MemoryKeystrokePoster keystrokes;
    MemoryFallbackKeystroke fallback;
    QList<ClipboardEntry> recorded;
    std::optional<QString> lastSource; // of the last entry polled()
    std::unique_ptr<PasteboardMonitor> monitor;
    std::unique_ptr<PasteDelivery> delivery;
    StoreLoop() { create(); }
    void create() {
        delivery.reset();
        monitor = std::make_unique<PasteboardMonitor>(
            &pasteboard, &workspace, [this](ClipboardEntry e) { recorded.append(std::move(e)); });
        delivery = deliveryWith(trust, keystrokes, fallback);
    }
    std::unique_ptr<PasteDelivery> deliveryWith(AccessibilityTrust& trusted, KeystrokePoster& posts,
                                                FallbackKeystroke& runs) {
        return std::make_unique<PasteDelivery>(
            PasteDelivery::Services{&pasteboard, &workspace, &trusted, &posts, &runs}, *monitor);
    }
    void copy(const QString& text) { pasteboard.board.offer(Pasteboard::stringType(), text); }
    void front(const QString& windowClass) {
        workspace.setFrontmostApplication(RunningApplication{42, windowClass});
    }
    // Until a poll has taken the current counter as seen and delivered its capture, if any.
    bool waitForPoll() {
        return test::waitUntil([&] {
            return monitor->lastChangeCount() == pasteboard.board.changeCount() &&
                   !monitor->isCapturing();
        });
    }
    bool waitForPolls(int polls) {
        const int target = pasteboard.counterReads + polls;
        return test::waitUntil([&] { return pasteboard.counterReads >= target; });
    }
    // Copies the texts within one interval; the texts the next poll recorded.
    QStringList polled(std::initializer_list<const char*> texts = {}) {
        for (const char* text : texts) {
            copy(text);
        }
        EXPECT_TRUE(waitForPoll());
        QStringList taken;
        for (const auto& entry : std::exchange(recorded, {})) {
            taken.append(entry.text().value_or("<none>"));
            lastSource = entry.sourceAppBundleID();
        }
        return taken;
    }
    // Sends the keystroke and lets the delayed fallback run; returns what went to standard error.
    static QByteArray sendAndSettle(PasteDelivery& delivery) {
        test::CapturedStandardError errors;
        delivery.sendCommandV();
        test::spin(PasteDelivery::fallbackDelay * 4);
        return errors.text();
    }
};

QList<MemoryKeystrokePoster::Posted> pasted(Source source) {
    return {{source, PasteChord::controlV, Phase::keyDown},
            {source, PasteChord::controlV, Phase::keyUp}};
}

} // namespace

TEST_F(StoreLoop, RecordsTheLastCopyOfAnIntervalWithItsSourceAndNothingElse) {
    workspace.setFrontmostApplication(RunningApplication{7, "org.example.Editor"});
    create();
    monitor->startMonitoring();
    EXPECT_EQ(polled({"first", "second"}), QStringList{"second"});
    EXPECT_EQ(lastSource, "org.example.Editor");
    workspace.setFrontmostApplication(std::nullopt);
    EXPECT_EQ(polled({"third"}), QStringList{"third"});
    EXPECT_EQ(lastSource, std::nullopt);
    for (const QByteArray& mark : {QByteArray("secret"), QByteArray()}) {
        pasteboard.board.clearContents();
        copy("hunter2");
        pasteboard.board.offer("x-kde-passwordManagerHint", mark);
        const int reads = pasteboard.itemReads;
        EXPECT_EQ(polled(), QStringList{});
        EXPECT_EQ(pasteboard.itemReads, reads); // not even read, whatever the mark's value
    }
    pasteboard.board.clearContents();
    pasteboard.board.touch();
    const int reads = pasteboard.itemReads;
    ASSERT_TRUE(waitForPoll());
    ASSERT_TRUE(waitForPolls(3));
    EXPECT_EQ(pasteboard.itemReads, reads + 1); // a change that captures to nothing: read once
}

// The own write is consumed once; a copy in the same interval as it is lost with it; so is a
// capture under way when the write comes, which may have read it.
TEST_F(StoreLoop, ConsumesTheProgramsOwnWriteOnce) {
    monitor->startMonitoring();
    for (int alongside = 0; alongside < 3; ++alongside) {
        SCOPED_TRACE(alongside);
        if (alongside == 2) {
            pasteboard.holdTextReads = true;
            copy("user copy");
            ASSERT_TRUE(test::waitUntil([&] { return pasteboard.heldTextReads == 1; }));
        }
        monitor->ignoreNext();
        copy("own write");
        if (alongside == 1) {
            copy("lost copy");
        } else if (alongside == 2) {
            pasteboard.releaseTextReads();
        }
        EXPECT_EQ(polled(), QStringList{});
        EXPECT_EQ(polled({"user copy"}), QStringList{"user copy"});
    }
}

// Contents present at a start are a baseline, not a copy; a stop ends polling and keeps
// ignoreNext armed. With change notifications the timer ticks only while a change waits.
TEST_F(StoreLoop, StartsTakeABaselineAndNotificationsWakeThePolls) {
    copy("before start");
    monitor->startMonitoring();
    ASSERT_TRUE(waitForPolls(3));
    EXPECT_TRUE(recorded.isEmpty());
    copy("copied between the starts");
    monitor->startMonitoring();
    EXPECT_EQ(polled(), QStringList{"copied between the starts"});
    monitor->stopMonitoring();
    monitor->ignoreNext();
    copy("while stopped");
    test::spin(PasteboardMonitor::pollInterval * 2);
    EXPECT_NE(monitor->lastChangeCount(), pasteboard.board.changeCount());
    monitor->startMonitoring();
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard.board.changeCount());
    EXPECT_EQ(polled({"own write"}), QStringList{});
    copy("waiting");
    QObject notifier; // stands in for the clipboard's change signal
    monitor->wakeOn(&notifier, &QObject::objectNameChanged);
    EXPECT_EQ(polled(), QStringList{"waiting"}); // the change waiting at the switch is kept
    EXPECT_TRUE(test::waitUntil([&] { return !monitor->isTicking(); }));
    copy("first");
    notifier.setObjectName("changed once");
    copy("second");
    notifier.setObjectName("changed twice");
    EXPECT_EQ(polled(), QStringList{"second"});
    EXPECT_TRUE(test::waitUntil([&] { return !monitor->isTicking(); }));
    const int reads = pasteboard.counterReads; // an idle clipboard causes no polls at all
    test::spin(PasteboardMonitor::pollInterval * 3);
    EXPECT_EQ(pasteboard.counterReads, reads);
    monitor->stopMonitoring();
    copy("stopped again");
    monitor->noteChange();
    EXPECT_FALSE(monitor->isTicking());
    PasteboardMonitor bare(nullptr, nullptr, [](ClipboardEntry) { FAIL(); });
    bare.startMonitoring();
    test::spin(PasteboardMonitor::pollInterval + 100ms);
    EXPECT_EQ(bare.lastChangeCount(), 0);
}

// Ticks while a capture runs poll nothing (polls stay serial); the change made meanwhile is
// polled at the first tick after it.
TEST_F(StoreLoop, AChangeDuringACaptureIsPolledAtTheFirstTickAfterIt) {
    for (const bool notified : {false, true}) {
        SCOPED_TRACE(notified);
        create();
        if (notified) {
            monitor->wakeOn(&pasteboard.board, &Pasteboard::changed);
        }
        monitor->startMonitoring();
        pasteboard.heldTextReads = 0;
        pasteboard.holdTextReads = true;
        copy("first");
        ASSERT_TRUE(test::waitUntil([&] { return pasteboard.heldTextReads == 1; }));
        copy("second");
        const int reads = pasteboard.counterReads;
        test::spin(PasteboardMonitor::pollInterval * 3);
        EXPECT_EQ(pasteboard.counterReads, reads);
        pasteboard.releaseTextReads();
        EXPECT_EQ(polled(), (QStringList{"first", "second"}));
    }
}

// Trusted: key down then key up from the first source that opens; terminals (for the
// fallback keystroke too) get Control+Shift+V.
TEST_F(StoreLoop, TrustedPostsTheChordFromTheFirstSourceThatOpens) {
    front("firefox");
    EXPECT_EQ(sendAndSettle(*delivery), "");
    EXPECT_EQ(keystrokes.posted(), pasted(Source::primary));
    MemoryKeystrokePoster second;
    second.setSourceAvailable(Source::primary, false);
    deliveryWith(trust, second, fallback)->sendCommandV();
    EXPECT_EQ(second.posted(), pasted(Source::fallback));
    second.setSourceAvailable(Source::fallback, false);
    EXPECT_EQ(sendAndSettle(*deliveryWith(trust, second, fallback)), "");
    EXPECT_EQ(second.posted().size(), 2);
    const QStringList terminals{"Gnome-terminal", "kitty", "org.wezfurlong.wezterm"};
    for (const QString& windowClass :
         terminals + QStringList{"firefox", "terminal-notes", "kittyhawk", "", "<none>"}) {
        workspace.setFrontmostApplication(windowClass == "<none>"
                                              ? std::nullopt
                                              : std::optional(RunningApplication{42, windowClass}));
        delivery->sendCommandV();
        EXPECT_EQ(keystrokes.posted().last().chord, terminals.contains(windowClass)
                                                        ? PasteChord::controlShiftV
                                                        : PasteChord::controlV)
            << windowClass.toStdString();
    }
    trust.setTrusted(false);
    front("foot");
    sendAndSettle(*delivery);
    EXPECT_EQ(fallback.runs(), QList<PasteChord>{PasteChord::controlShiftV}); // and no other run
}

// Untrusted at launch or later: one prompt, then the fallback keystroke after a delay, until
// it fails once; one that cannot be built is no failure, one still scheduled dies with its owner.
TEST_F(StoreLoop, UntrustedPromptsOnceAndRunsTheFallbackUntilItFails) {
    for (const bool atLaunch : {true, false}) {
        SCOPED_TRACE(atLaunch ? "untrusted at launch" : "trust withdrawn later");
        MemoryAccessibilityTrust trustNow{!atLaunch};
        MemoryFallbackKeystroke runs;
        MemoryKeystrokePoster posts;
        const auto paste = deliveryWith(trustNow, posts, runs);
        paste->requestAccessibilityPermissionIfNeeded();
        paste->requestAccessibilityPermissionIfNeeded();
        EXPECT_EQ(trustNow.promptCount(), atLaunch ? 1 : 0);
        EXPECT_EQ(paste->hasPromptedForAccessibility(), atLaunch);
        trustNow.setTrusted(false);
        paste->sendCommandV();
        EXPECT_TRUE(runs.runs().isEmpty()); // only after the delay
        EXPECT_TRUE(test::waitUntil([&] { return runs.runs().size() == 1; }));
        EXPECT_EQ(trustNow.promptCount(), 1);
        EXPECT_TRUE(posts.posted().isEmpty());
        trustNow.setTrusted(true); // granted again: the next paste posts at once
        paste->sendCommandV();
        EXPECT_EQ(posts.posted().size(), 2);
    }
    trust.setTrusted(false);
    EXPECT_EQ(sendAndSettle(*delivery), "");
    fallback.setFailure("xdotool exited with status 1:\nCan't open display");
    EXPECT_EQ(sendAndSettle(*delivery), "Quillstack: AppleScript paste fallback failed: xdotool "
                                        "exited with status 1: Can't open display\n");
    fallback.setFailure(std::nullopt);
    EXPECT_EQ(sendAndSettle(*delivery), ""); // not tried again
    EXPECT_EQ(fallback.runs().size(), 2);
    EXPECT_EQ(trust.promptCount(), 1);
    MemoryFallbackKeystroke other;
    other.setBuildable(false);
    auto owner = deliveryWith(trust, keystrokes, other);
    EXPECT_EQ(sendAndSettle(*owner), "");
    EXPECT_TRUE(owner->appleScriptFallbackAllowed());
    other.setBuildable(true);
    owner->sendCommandV();
    owner.reset();
    test::spin(PasteDelivery::fallbackDelay * 4);
    EXPECT_TRUE(other.runs().isEmpty());
    PasteDelivery bare({}, *monitor); // absent services: untrusted and nothing to run
    bare.requestAccessibilityPermissionIfNeeded();
    EXPECT_EQ(sendAndSettle(bare), "");
}
