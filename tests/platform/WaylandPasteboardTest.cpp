#include "platform/wayland/WaylandPasteboard.h"
#include "PasteboardHelpers.h"
#include "entries/ClipboardEntry.h"
#include "platform/wayland/WaylandConnection.h"
#include "store/PasteboardMonitor.h"
#include "support/TestEnvironment.h"
#include "support/TestImages.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <future>
#include <memory>

using namespace quillstack;
using namespace quillstack::test;
using namespace std::chrono_literals;

namespace {

// The clipboard of a headless sway, against wl-clipboard and a helper that offers several types
// at once. Reads run on a worker thread, as the capture does.
class WaylandPasteboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection_ = WaylandConnection::connect();
        ASSERT_TRUE(connection_) << "no Wayland compositor";
        pasteboard_ = std::make_unique<WaylandPasteboard>(*connection_, DataControl::Protocol::wlr);
        ASSERT_TRUE(pasteboard_->isAvailable());
        // The selection found at start is in before the test copies anything.
        ASSERT_TRUE(connection_->roundtrip());
        connection_->start();
    }

    void TearDown() override {
        // Taking the selection over ends the helpers (one that hangs is killed).
        if (pasteboard_) {
            pasteboard_->setString(QStringLiteral("end of test"), Pasteboard::stringType());
        }
        helpers_.end();
        pasteboard_.reset();
        connection_.reset();
    }

    bool changedSince(qint64 before) {
        return waitUntil([&] { return pasteboard_->changeCount() != before; });
    }

    // Another program copies with wl-copy (which stays in the background as the owner).
    void wlCopy(const QString& type, const QByteArray& bytes, bool primary = false) {
        const qint64 before = pasteboard_->changeCount();
        QStringList arguments{QStringLiteral("--type"), type};
        if (primary) {
            arguments.append(QStringLiteral("--primary"));
        }
        const ProcessResult result = runProcess(QStringLiteral("wl-copy"), arguments, bytes);
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        if (!primary) {
            ASSERT_TRUE(changedSince(before));
        }
    }

    void helperOffers(const QList<std::pair<QString, QByteArray>>& offers, bool hang = false) {
        const qint64 before = pasteboard_->changeCount();
        helpers_.start(QStringLiteral(QUILLSTACK_WAYLAND_CLIPBOARD_OFFER),
                       helpers_.offerArguments(offers, hang));
        ASSERT_TRUE(changedSince(before));
    }

    QByteArray wlPaste(QStringList arguments) {
        arguments.prepend(QStringLiteral("--no-newline"));
        const ProcessResult result = runProcess(QStringLiteral("wl-paste"), arguments);
        EXPECT_EQ(result.exitCode, 0)
            << arguments.join(u' ').toStdString() << ": " << result.err.toStdString();
        return result.out;
    }

    // The capture on a worker thread; the GUI thread's event loop keeps running meanwhile.
    std::optional<ClipboardEntry> capture() {
        auto future = std::async(std::launch::async, [this] {
            return ClipboardEntry::capture(*pasteboard_, QStringLiteral("org.example.Copier"));
        });
        EXPECT_TRUE(
            waitUntil([&] { return future.wait_for(0ms) == std::future_status::ready; }, 20s));
        return future.get();
    }

    // Writes an entry and waits until the compositor has made it the selection.
    void write(const ClipboardEntry& entry) {
        const qint64 before = pasteboard_->changeCount();
        entry.write(*pasteboard_);
        ASSERT_TRUE(changedSince(before));
    }

    std::unique_ptr<WaylandConnection> connection_;
    std::unique_ptr<WaylandPasteboard> pasteboard_;
    ClipboardHelpers helpers_;
};

} // namespace

TEST_F(WaylandPasteboardTest, RecordsCopiesOfOtherPrograms) {
    wlCopy(QStringLiteral("text/plain;charset=utf-8"), "Grüße aus Köln");
    auto entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::text);
    EXPECT_EQ(entry->text(), QString::fromUtf8("Grüße aus Köln"));
    EXPECT_EQ(entry->sourceAppBundleID(), QStringLiteral("org.example.Copier"));

    wlCopy(QStringLiteral("text/html"), "<p>Hello <b>there</b></p>");
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::html);
    EXPECT_EQ(entry->html(), QStringLiteral("<p>Hello <b>there</b></p>"));

    const QByteArray png = encoded(filled(30, 20), "PNG");
    wlCopy(QStringLiteral("image/png"), png);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::image);
    EXPECT_EQ(entry->imagePNGData(), png);

    wlCopy(QStringLiteral("text/uri-list"),
           "# two files\r\nfile:///tmp/report.pdf\r\nfile:///tmp/caf%C3%A9%20menu.txt\r\n");
    EXPECT_EQ(pasteboard_->pasteboardItems().size(), 2);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::file);
    EXPECT_EQ(entry->filePaths(), (QStringList{QStringLiteral("/tmp/report.pdf"),
                                               QString::fromUtf8("/tmp/café menu.txt")}));

    // Several types at once, with a password manager's mark; X11 names for text count as text.
    helperOffers({{QStringLiteral("UTF8_STRING"), "Hello"},
                  {QStringLiteral("text/html"), "<h1>Hello</h1>"},
                  {QStringLiteral("text/markdown"), "# Hello"},
                  {QStringLiteral("x-kde-passwordManagerHint"), "secret"}});
    EXPECT_TRUE(pasteboard_->hasType(QStringLiteral("x-kde-passwordManagerHint")));
    EXPECT_TRUE(pasteboard_->hasType(Pasteboard::stringType()));
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::markdown);
    EXPECT_EQ(entry->text(), QStringLiteral("Hello"));
    EXPECT_EQ(entry->html(), QStringLiteral("<h1>Hello</h1>"));

    // Large text arrives whole.
    QByteArray large;
    while (large.size() < 3 * 1024 * 1024) {
        large += "All work and no play makes a dull day. ";
    }
    wlCopy(QStringLiteral("text/plain"), large);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text()->size(), large.size());
}

TEST_F(WaylandPasteboardTest, CountsSelectionChangesOnly) {
    int notified = 0;
    QObject::connect(pasteboard_.get(), &WaylandPasteboard::changed, [&] { ++notified; });
    wlCopy(QStringLiteral("text/plain"), "one");
    const qint64 afterOne = pasteboard_->changeCount();
    ASSERT_TRUE(waitUntil([&] { return notified > 0; }));

    wlCopy(QStringLiteral("text/plain"), "primary", /*primary=*/true);
    spin(300ms);
    EXPECT_EQ(pasteboard_->changeCount(), afterOne);
    EXPECT_EQ(capture()->text(), QStringLiteral("one"));

    // The same owner copying again is a change; so is the program's own write, which is read
    // back from memory.
    wlCopy(QStringLiteral("text/plain"), "two");
    EXPECT_GT(pasteboard_->changeCount(), afterOne);
    const qint64 beforeWrite = pasteboard_->changeCount();
    write(entryWith(ClipboardKind::text, QStringLiteral("mine"), {}, {}));
    EXPECT_EQ(pasteboard_->changeCount(), beforeWrite + 1);
    EXPECT_EQ(capture()->text(), QStringLiteral("mine"));

    // A clear on its own empties the selection.
    const qint64 beforeClear = pasteboard_->changeCount();
    pasteboard_->clearContents();
    ASSERT_TRUE(changedSince(beforeClear));
    EXPECT_TRUE(pasteboard_->pasteboardItems().isEmpty());
    EXPECT_FALSE(capture());
}

TEST_F(WaylandPasteboardTest, OwnerThatNeverAnswersStallsNothing) {
    helperOffers({{QStringLiteral("text/plain"), "unreachable"}}, /*hang=*/true);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    // The read runs into its time-out once; nothing more is asked until the next change. The
    // GUI thread's timers kept running all along.
    EXPECT_FALSE(capture());
    EXPECT_GT(ticks, 5);
    EXPECT_FALSE(capture());

    wlCopy(QStringLiteral("text/plain"), "back again");
    const auto entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text(), QStringLiteral("back again"));
}

TEST_F(WaylandPasteboardTest, WriteBackIsReadByOtherPrograms) {
    write(entryWith(ClipboardKind::text, QStringLiteral("plain ünïcode"), {}, {}));
    EXPECT_TRUE(wlPaste({QStringLiteral("--list-types")}).contains("text/plain;charset=utf-8"));
    EXPECT_EQ(QString::fromUtf8(wlPaste({})), QStringLiteral("plain ünïcode"));

    write(
        entryWith(ClipboardKind::html, QStringLiteral("Bold"), {}, QStringLiteral("<b>Bold</b>")));
    QByteArray types = wlPaste({QStringLiteral("--list-types")});
    EXPECT_TRUE(types.contains("text/html"));
    EXPECT_FALSE(types.contains("text/markdown"));
    EXPECT_EQ(wlPaste({QStringLiteral("--type"), QStringLiteral("text/html")}), "<b>Bold</b>");
    EXPECT_EQ(wlPaste({QStringLiteral("--type"), QStringLiteral("UTF8_STRING")}), "Bold");

    write(entryWith(ClipboardKind::markdown, {}, QStringLiteral("*md*"), {}));
    EXPECT_EQ(wlPaste({QStringLiteral("--type"), QStringLiteral("text/markdown")}), "*md*");

    write(entryWith(ClipboardKind::file, QStringLiteral("ignored"), {}, {},
                    {QStringLiteral("/tmp/a b.txt"), QStringLiteral("/tmp/c")}));
    types = wlPaste({QStringLiteral("--list-types")});
    EXPECT_TRUE(types.contains("text/uri-list"));
    EXPECT_FALSE(types.contains("text/plain"));
    EXPECT_EQ(wlPaste({QStringLiteral("--type"), QStringLiteral("text/uri-list")})
                  .split('\n')
                  .first()
                  .trimmed(),
              "file:///tmp/a%20b.txt");
    EXPECT_EQ(wlPaste({QStringLiteral("--type"), QStringLiteral("x-special/gnome-copied-files")}),
              "copy\nfile:///tmp/a%20b.txt\nfile:///tmp/c");

    const QByteArray png = encoded(filled(40, 30), "PNG");
    write(entryWith(ClipboardKind::image, QStringLiteral("ignored"), {}, {}, {}, png));
    EXPECT_TRUE(wlPaste({QStringLiteral("--list-types")}).contains("image/png"));
    EXPECT_EQ(
        QImage::fromData(wlPaste({QStringLiteral("--type"), QStringLiteral("image/png")})).size(),
        QSize(40, 30));
}

TEST_F(WaylandPasteboardTest, MonitorRecordsOthersButNotOwnWritesOrSecrets) {
    QList<ClipboardEntry> recorded;
    PasteboardMonitor monitor(pasteboard_.get(), nullptr,
                              [&](ClipboardEntry entry) { recorded.append(std::move(entry)); });
    monitor.wakeOn(pasteboard_.get(), &WaylandPasteboard::changed);
    monitor.startMonitoring();

    wlCopy(QStringLiteral("text/plain"), "first");
    ASSERT_TRUE(waitUntil([&] { return recorded.size() == 1; }));
    EXPECT_EQ(recorded.last().text(), QStringLiteral("first"));

    helperOffers({{QStringLiteral("text/plain"), "hunter2"},
                  {QStringLiteral("x-kde-passwordManagerHint"), "secret"}});
    monitor.ignoreNext();
    write(entryWith(ClipboardKind::text, QStringLiteral("pasted back"), {}, {}));
    spin(800ms);
    EXPECT_EQ(recorded.size(), 1);

    wlCopy(QStringLiteral("text/plain"), "second");
    ASSERT_TRUE(waitUntil([&] { return recorded.size() == 2; }));
    EXPECT_EQ(recorded.last().text(), QStringLiteral("second"));
}
