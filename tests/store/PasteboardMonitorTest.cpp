#include "store/PasteboardMonitor.h"
#include "platform/memory/MemoryPasteboard.h"
#include "platform/memory/MemoryWorkspace.h"
#include "support/TestEnvironment.h"

#include <QSemaphore>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

// Forwards to an in-memory clipboard and counts the reads the monitor makes, so that a test
// can wait for polls and see whether a capture was attempted.
// Reads come from the capture's worker thread, hence the atomic counters.
class CountingPasteboard final : public Pasteboard {
public:
    MemoryPasteboard board;
    mutable std::atomic<int> counterReads = 0;
    std::atomic<int> itemReads = 0;

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
            textReadGate.acquire(); // the capture stays under way until the test lets it go
        }
        return text;
    }
    void releaseTextReads() {
        holdTextReads = false;
        textReadGate.release();
    }
    std::atomic<bool> holdTextReads = false;
    std::atomic<int> heldTextReads = 0;
    QSemaphore textReadGate;
    std::optional<QByteArray> imageData() override { return board.imageData(); }
    void clearContents() override { board.clearContents(); }
    void writeObjects(const QList<QUrl>& urls) override { board.writeObjects(urls); }
    void writeImage(const QByteArray& png) override { board.writeImage(png); }
    void writeObjects(const PasteboardItem& item) override { board.writeObjects(item); }
    void setString(const QString& text, const QString& type) override {
        board.setString(text, type);
    }
};

struct MonitorFixture : testing::Test {
    CountingPasteboard pasteboard;
    MemoryWorkspace workspace;
    QList<ClipboardEntry> recorded;
    std::unique_ptr<PasteboardMonitor> monitor;

    void create() {
        monitor = std::make_unique<PasteboardMonitor>(
            &pasteboard, &workspace, [this](ClipboardEntry e) { recorded.append(std::move(e)); });
    }
    void copy(const QString& text) { pasteboard.board.offer(Pasteboard::stringType(), text); }
    // Waits until a poll has taken the clipboard's current counter as seen, and its capture
    // (if any) has been delivered.
    bool waitForPoll() {
        return test::waitUntil([&] {
            return monitor->lastChangeCount() == pasteboard.board.changeCount() &&
                   !monitor->isCapturing();
        });
    }
    // Waits for the given number of further polls (each poll reads the counter).
    bool waitForPolls(int polls) {
        const int target = pasteboard.counterReads + polls;
        return test::waitUntil([&] { return pasteboard.counterReads >= target; });
    }
    QStringList recordedTexts() const {
        QStringList texts;
        for (const auto& entry : recorded) {
            texts.append(entry.text().value_or(QStringLiteral("<none>")));
        }
        return texts;
    }
};

TEST_F(MonitorFixture, RecordsOnlyTheLastOfSeveralCopiesWithinOneInterval) {
    workspace.setFrontmostApplication(RunningApplication{7, QStringLiteral("org.example.Editor")});
    create();
    monitor->startMonitoring();
    copy(QStringLiteral("first"));
    copy(QStringLiteral("second"));
    ASSERT_TRUE(waitForPoll());
    EXPECT_EQ(recordedTexts(), QStringList{QStringLiteral("second")});
    EXPECT_EQ(recorded.first().sourceAppBundleID(), QStringLiteral("org.example.Editor"));

    // The next copy comes from a window without a class, then with no window in front.
    workspace.setFrontmostApplication(RunningApplication{8, std::nullopt});
    copy(QStringLiteral("third"));
    ASSERT_TRUE(waitForPoll());
    workspace.setFrontmostApplication(std::nullopt);
    copy(QStringLiteral("fourth"));
    ASSERT_TRUE(waitForPoll());
    ASSERT_EQ(recorded.size(), 3);
    EXPECT_EQ(recorded[1].sourceAppBundleID(), std::nullopt);
    EXPECT_EQ(recorded[2].sourceAppBundleID(), std::nullopt);
}

// The own write is consumed once; a copy in the same interval as it is lost with it.
TEST_F(MonitorFixture, ConsumesTheProgramsOwnWriteOnce) {
    create();
    monitor->startMonitoring();
    for (const bool copiedAlongside : {false, true}) {
        SCOPED_TRACE(copiedAlongside ? "a copy in the same interval" : "the write alone");
        recorded.clear();
        monitor->ignoreNext();
        copy(QStringLiteral("own write"));
        if (copiedAlongside) {
            copy(QStringLiteral("lost copy"));
        }
        ASSERT_TRUE(waitForPoll());
        EXPECT_TRUE(recorded.isEmpty());
        EXPECT_FALSE(monitor->isIgnoringNext());

        copy(QStringLiteral("user copy"));
        ASSERT_TRUE(waitForPoll());
        EXPECT_EQ(recordedTexts(), QStringList{QStringLiteral("user copy")});
    }
}

// Contents present at construction, at start or at a second start are a baseline, not a copy;
// a second start keeps the one timer.
TEST_F(MonitorFixture, IgnoresContentsPresentAtConstructionAndAtStart) {
    copy(QStringLiteral("before construction"));
    create();
    copy(QStringLiteral("before start"));
    monitor->startMonitoring();
    ASSERT_TRUE(waitForPolls(3));
    EXPECT_TRUE(recorded.isEmpty());

    copy(QStringLiteral("copied between the starts"));
    monitor->startMonitoring();
    EXPECT_EQ(monitor->findChildren<QTimer*>().size(), 1);
    ASSERT_TRUE(waitForPoll());
    EXPECT_EQ(recordedTexts(), QStringList{QStringLiteral("copied between the starts")});
}

TEST_F(MonitorFixture, StopEndsPollingAndARestartTakesAFreshBaseline) {
    create();
    monitor->startMonitoring();
    monitor->stopMonitoring();
    EXPECT_FALSE(monitor->isTicking());
    monitor->ignoreNext();
    copy(QStringLiteral("while stopped"));
    test::spin(PasteboardMonitor::pollInterval * 2);
    EXPECT_NE(monitor->lastChangeCount(), pasteboard.board.changeCount());

    monitor->startMonitoring();
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard.board.changeCount());
    EXPECT_TRUE(monitor->isIgnoringNext()); // stays armed while stopped
    copy(QStringLiteral("own write"));
    copy(QStringLiteral("after restart"));
    ASSERT_TRUE(waitForPoll());
    copy(QStringLiteral("recorded"));
    ASSERT_TRUE(waitForPoll());
    EXPECT_EQ(recordedTexts(), QStringList{QStringLiteral("recorded")});
}

TEST_F(MonitorFixture, DoesNotRetryAChangeThatCapturesToNothing) {
    create();
    monitor->startMonitoring();
    pasteboard.board.touch(); // the counter moves, nothing is on the clipboard
    ASSERT_TRUE(waitForPoll());
    const int attempts = pasteboard.itemReads;
    EXPECT_GE(attempts, 1);
    ASSERT_TRUE(waitForPolls(3));
    EXPECT_EQ(pasteboard.itemReads, attempts);
    EXPECT_TRUE(recorded.isEmpty());
}

TEST_F(MonitorFixture, LeavesMarkedSecretsOut) {
    create();
    monitor->startMonitoring();
    copy(QStringLiteral("hunter2"));
    pasteboard.board.offer(PasteboardMonitor::secretMarkType(), QByteArrayLiteral("secret"));
    ASSERT_TRUE(waitForPoll());
    EXPECT_TRUE(recorded.isEmpty());
    EXPECT_EQ(pasteboard.itemReads, 0); // not even read

    // Any value of the mark counts.
    pasteboard.board.clearContents();
    copy(QStringLiteral("correct horse"));
    pasteboard.board.offer(PasteboardMonitor::secretMarkType(), QByteArray());
    ASSERT_TRUE(waitForPoll());
    EXPECT_TRUE(recorded.isEmpty());

    pasteboard.board.clearContents();
    copy(QStringLiteral("not a secret"));
    ASSERT_TRUE(waitForPoll());
    EXPECT_EQ(recordedTexts(), QStringList{QStringLiteral("not a secret")});
}

TEST_F(MonitorFixture, WithChangeNotificationsTicksOnlyWhileAChangeWaits) {
    create();
    QObject notifier; // stands in for the clipboard's change signal
    monitor->wakeOn(&notifier, &QObject::objectNameChanged);
    monitor->noteChange(); // not monitoring yet: nothing to do
    EXPECT_FALSE(monitor->isTicking());

    monitor->startMonitoring();
    EXPECT_FALSE(monitor->isTicking());

    copy(QStringLiteral("first"));
    notifier.setObjectName(QStringLiteral("changed once"));
    EXPECT_TRUE(monitor->isTicking());
    copy(QStringLiteral("second"));
    notifier.setObjectName(QStringLiteral("changed twice"));
    ASSERT_TRUE(waitForPoll());
    EXPECT_EQ(recordedTexts(), QStringList{QStringLiteral("second")});
    EXPECT_TRUE(test::waitUntil([&] { return !monitor->isTicking(); }));

    // An idle clipboard causes no polls at all.
    const int reads = pasteboard.counterReads;
    test::spin(PasteboardMonitor::pollInterval * 3);
    EXPECT_EQ(pasteboard.counterReads, reads);

    // The own write is consumed in this mode as well.
    monitor->ignoreNext();
    copy(QStringLiteral("own write"));
    monitor->noteChange();
    ASSERT_TRUE(waitForPoll());
    EXPECT_EQ(recorded.size(), 1);

    monitor->stopMonitoring();
    copy(QStringLiteral("while stopped"));
    monitor->noteChange();
    EXPECT_FALSE(monitor->isTicking());
}

TEST_F(MonitorFixture, SwitchingToNotificationsKeepsAWaitingChange) {
    create();
    monitor->startMonitoring();
    EXPECT_TRUE(monitor->isTicking()); // no notifications: the timer always runs
    copy(QStringLiteral("waiting"));
    QObject notifier;
    monitor->wakeOn(&notifier, &QObject::objectNameChanged);
    ASSERT_TRUE(waitForPoll());
    EXPECT_EQ(recordedTexts(), QStringList{QStringLiteral("waiting")});
}

TEST_F(MonitorFixture, AChangeDuringACaptureIsPolledAtTheFirstTickAfterIt) {
    for (const bool notified : {false, true}) {
        SCOPED_TRACE(notified ? "woken by change notifications" : "always ticking");
        recorded.clear();
        create();
        if (notified) {
            monitor->wakeOn(&pasteboard.board, &Pasteboard::changed);
        }
        monitor->startMonitoring();
        pasteboard.heldTextReads = 0;
        pasteboard.holdTextReads = true;
        copy(QStringLiteral("first"));
        // The capture has read "first" and waits at the gate.
        ASSERT_TRUE(test::waitUntil([&] { return pasteboard.heldTextReads == 1; }));
        copy(QStringLiteral("second"));
        // Ticks while the capture runs poll nothing: polls stay serial.
        const int reads = pasteboard.counterReads;
        test::spin(PasteboardMonitor::pollInterval * 3);
        EXPECT_TRUE(monitor->isCapturing());
        EXPECT_EQ(pasteboard.counterReads, reads);
        EXPECT_TRUE(recorded.isEmpty());

        pasteboard.releaseTextReads();
        ASSERT_TRUE(waitForPoll());
        EXPECT_EQ(recordedTexts(),
                  (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    }
}

// The program's own write (a paste) while a capture runs: the capture may have read it, so
// nothing of it is recorded, and the next poll consumes the write.
TEST_F(MonitorFixture, AnOwnWriteDuringACaptureIsNotRecorded) {
    create();
    monitor->startMonitoring();
    pasteboard.holdTextReads = true;
    copy(QStringLiteral("user copy"));
    ASSERT_TRUE(test::waitUntil([&] { return pasteboard.heldTextReads == 1; }));
    monitor->ignoreNext();
    pasteboard.board.setString(QStringLiteral("own write"), Pasteboard::stringType());
    pasteboard.releaseTextReads();
    ASSERT_TRUE(waitForPoll());
    EXPECT_TRUE(recorded.isEmpty());
    EXPECT_FALSE(monitor->isIgnoringNext());

    copy(QStringLiteral("next copy"));
    ASSERT_TRUE(waitForPoll());
    EXPECT_EQ(recordedTexts(), QStringList{QStringLiteral("next copy")});
}

TEST_F(MonitorFixture, WorksWithoutServices) {
    PasteboardMonitor bare(nullptr, nullptr, [](ClipboardEntry) { FAIL(); });
    bare.startMonitoring();
    bare.noteChange();
    test::spin(PasteboardMonitor::pollInterval + 100ms);
    EXPECT_EQ(bare.lastChangeCount(), 0);
}

} // namespace
