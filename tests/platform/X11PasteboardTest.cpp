#include "platform/x11/X11Pasteboard.h"
#include "PasteboardHelpers.h"
#include "entries/ClipboardEntry.h"
#include "entries/ImageNormalizer.h"
#include "platform/memory/MemoryWorkspace.h"
#include "store/PasteboardMonitor.h"
#include "support/TestEnvironment.h"
#include "support/TestImages.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <future>
#include <memory>

using namespace quillstack;
using namespace quillstack::test;
using namespace std::chrono_literals;

namespace {

class X11PasteboardTest : public ::testing::Test {
protected:
    // Taking the clipboard over ends the helpers (one that hangs is killed), so that their
    // departure is not seen by the next test.
    void TearDown() override {
        pasteboard_.setString(QStringLiteral("end of test"), Pasteboard::stringType());
        helpers_.end();
    }

    // Waits until the clipboard has changed since `before`.
    bool changedSince(qint64 before) {
        return waitUntil([&] { return pasteboard_.changeCount() != before; });
    }

    // Another program copies: xclip offering one type.
    void xclipOffers(const QString& type, const QByteArray& bytes,
                     const QString& selection = QStringLiteral("clipboard")) {
        const qint64 before = pasteboard_.changeCount();
        const ProcessResult result = runProcess(
            QStringLiteral("xclip"), {QStringLiteral("-selection"), selection, QStringLiteral("-t"),
                                      type, QStringLiteral("-i"), helpers_.file(bytes)});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        if (selection == QLatin1String("clipboard")) {
            ASSERT_TRUE(changedSince(before));
        }
    }

    // Another program copies several types at once; it stays the owner until replaced.
    QProcess* helperOffers(const QList<std::pair<QString, QByteArray>>& offers, bool hang = false) {
        return takes(QStringLiteral(QUILLSTACK_CLIPBOARD_OFFER),
                     helpers_.offerArguments(offers, hang));
    }

    QProcess* takes(const QString& program, const QStringList& arguments) {
        const qint64 before = pasteboard_.changeCount();
        QProcess* process = helpers_.start(program, arguments);
        EXPECT_TRUE(changedSince(before));
        return process;
    }

    // Another program reads our clipboard.
    QByteArray xclipReads(const QString& target) {
        const ProcessResult result = runProcess(
            QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                      QStringLiteral("clipboard"), QStringLiteral("-t"), target});
        EXPECT_EQ(result.exitCode, 0) << target.toStdString() << ": " << result.err.toStdString();
        return result.out;
    }

    // An owner that does not answer for its contents; it stays until killed. Each request it
    // receives is printed as a line "request <target>".
    QProcess* holderTakes(const QStringList& arguments) {
        return takes(QStringLiteral(QUILLSTACK_CLIPBOARD_HOLD), arguments);
    }

    // Reads are made off the GUI thread, as the capture makes them, while this thread keeps
    // handling events (answering for our own clipboard among them) and counting the ticks of
    // a timer.
    template <typename Read> auto offThread(Read read) {
        auto result = std::async(std::launch::async, read);
        QTimer timer;
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticksDuringRead_; });
        timer.start();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            60000));
        return result.get();
    }

    std::optional<ClipboardEntry> capture() {
        return offThread([this] {
            return ClipboardEntry::capture(pasteboard_, QStringLiteral("org.example.Copier"));
        });
    }

    X11Pasteboard pasteboard_;
    int ticksDuringRead_ = 0;
    ClipboardHelpers helpers_;
};

} // namespace

TEST_F(X11PasteboardTest, CapturesSingleTypeCopies) {
    xclipOffers(QStringLiteral("UTF8_STRING"), "Grüße aus Köln");
    auto entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::text);
    EXPECT_EQ(entry->text(), QString::fromUtf8("Grüße aus Köln"));
    EXPECT_EQ(entry->sourceAppBundleID(), QStringLiteral("org.example.Copier"));

    xclipOffers(QStringLiteral("text/html"), "<p>Hello <b>there</b></p>");
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::html);
    EXPECT_EQ(entry->html(), QStringLiteral("<p>Hello <b>there</b></p>"));
    EXPECT_FALSE(entry->text());

    const QByteArray png = encoded(filled(30, 20), "PNG");
    xclipOffers(QStringLiteral("image/png"), png);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::image);
    EXPECT_EQ(entry->imagePNGData(), png);

    xclipOffers(QStringLiteral("text/uri-list"),
                "# two files\r\nfile:///tmp/report.pdf\r\nfile:///tmp/caf%C3%A9%20menu.txt\r\n");
    EXPECT_EQ(offThread([&] { return pasteboard_.pasteboardItems(); }).size(), 2);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::file);
    EXPECT_EQ(entry->filePaths(), (QStringList{QStringLiteral("/tmp/report.pdf"),
                                               QString::fromUtf8("/tmp/café menu.txt")}));
    EXPECT_FALSE(entry->text());
}

TEST_F(X11PasteboardTest, CapturesSeveralTypesAtOnce) {
    helperOffers({{QStringLiteral("text/plain"), "Hello"},
                  {QStringLiteral("text/html"), "<h1>Hello</h1>"},
                  {QStringLiteral("text/markdown"), "# Hello"},
                  {QStringLiteral("x-kde-passwordManagerHint"), "secret"}});
    EXPECT_TRUE(offThread(
        [&] { return pasteboard_.hasType(QStringLiteral("x-kde-passwordManagerHint")); }));
    EXPECT_FALSE(offThread([&] { return pasteboard_.hasType(QStringLiteral("TARGETS")); }));
    EXPECT_FALSE(offThread([&] { return pasteboard_.data(QStringLiteral("MULTIPLE")); }));
    auto entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::markdown);
    EXPECT_EQ(entry->text(), QStringLiteral("Hello"));
    EXPECT_EQ(entry->html(), QStringLiteral("<h1>Hello</h1>"));
    EXPECT_EQ(entry->markdown(), QStringLiteral("# Hello"));

    // A TIFF is normalised to PNG; the text is kept.
    helperOffers({{QStringLiteral("image/tiff"), encoded(filled(2400, 1000), "TIFF")},
                  {QStringLiteral("text/plain"), "caption"}});
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::image);
    EXPECT_EQ(entry->text(), QStringLiteral("caption"));
    EXPECT_EQ(ImageNormalizer::decode(entry->imagePNGData().value())->size(), QSize(1800, 750));

    // Another image format stands for the image when there is no PNG or TIFF.
    helperOffers({{QStringLiteral("image/bmp"), encoded(filled(64, 48), "BMP")}});
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::image);
    EXPECT_EQ(ImageNormalizer::decode(entry->imagePNGData().value())->size(), QSize(64, 48));

    // A browser's link: UTF-16 "url\ntitle".
    const QString mozURL = QStringLiteral("https://example.com/a?b=c\nExample");
    xclipOffers(QStringLiteral("text/x-moz-url"),
                QByteArray(reinterpret_cast<const char*>(mozURL.utf16()), mozURL.size() * 2));
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::text);
    EXPECT_EQ(entry->text(), QStringLiteral("https://example.com/a?b=c"));
    EXPECT_TRUE(entry->filePaths().isEmpty());
}

TEST_F(X11PasteboardTest, CountsClipboardChangesOnly) {
    xclipOffers(QStringLiteral("UTF8_STRING"), "one");
    const qint64 afterOne = pasteboard_.changeCount();
    xclipOffers(QStringLiteral("UTF8_STRING"), "primary", QStringLiteral("primary"));
    spin(300ms);
    EXPECT_EQ(pasteboard_.changeCount(), afterOne);
    xclipOffers(QStringLiteral("UTF8_STRING"), "two"); // same kind of owner again
    EXPECT_GT(pasteboard_.changeCount(), afterOne);

    // Our own writes count too.
    const qint64 beforeWrite = pasteboard_.changeCount();
    pasteboard_.setString(QStringLiteral("mine"), Pasteboard::stringType());
    EXPECT_GT(pasteboard_.changeCount(), beforeWrite);
    EXPECT_EQ(offThread([&] { return pasteboard_.string(Pasteboard::stringType()); }),
              QStringLiteral("mine"));
}

TEST_F(X11PasteboardTest, OwnerThatExitsLeavesNothing) {
    QProcess* owner = helperOffers({{QStringLiteral("text/plain"), "short-lived"}});
    const qint64 before = pasteboard_.changeCount();
    owner->kill();
    owner->waitForFinished(2000);
    ASSERT_TRUE(changedSince(before));
    EXPECT_TRUE(offThread([&] { return pasteboard_.pasteboardItems(); }).isEmpty());
    EXPECT_FALSE(capture());
}

TEST_F(X11PasteboardTest, BadOffers) {
    xclipOffers(QStringLiteral("UTF8_STRING"), QByteArray("caf\xc3 \xff\xfe end"));
    auto entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::text);
    EXPECT_TRUE(entry->text()->startsWith(QStringLiteral("caf")));
    EXPECT_TRUE(entry->text()->endsWith(QStringLiteral(" end")));

    xclipOffers(QStringLiteral("text/uri-list"),
                "not a uri\r\nfile:relative.txt\r\nhttp://[::1\r\nfile://\r\n%%%\r\n"
                "file:///ok.txt\r\n");
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::file);
    EXPECT_EQ(entry->filePaths(), QStringList{QStringLiteral("/ok.txt")});

    xclipOffers(QStringLiteral("image/png"), "\x89PNG but not really");
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::image); // PNG is stored as offered
    EXPECT_FALSE(entry->imagePreview());

    xclipOffers(QStringLiteral("image/tiff"), "II*\0broken");
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::unknown);
    EXPECT_FALSE(entry->imagePNGData());

    // Large values arrive whole through xclip's increments, multi-byte characters split
    // between pieces included.
    QByteArray large;
    while (large.size() < 3 * 1024 * 1024) {
        large += "All work and no play makes Jäck a dull bøy. 🎈 ";
    }
    xclipOffers(QStringLiteral("UTF8_STRING"), large);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text(), QString::fromUtf8(large));

    QByteArray blob = "\x89PNG\r\n\x1a\n";
    blob.resize(5 * 1024 * 1024 + 3);
    QRandomGenerator random(12);
    for (qsizetype i = 8; i < blob.size(); ++i) {
        blob[i] = char(random.bounded(256));
    }
    xclipOffers(QStringLiteral("image/png"), blob);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_TRUE(entry->imagePNGData() == blob);
}

TEST_F(X11PasteboardTest, OwnersThatNeverAnswerStallNothing) {
    struct Case {
        const char* owner;
        bool qtHelper; // the helper that stops answering, else the holder
        QStringList holdArguments;
        bool recorded; // an item is there, but nothing can be read from it
        QList<QByteArray> requests;
    };
    const QList<Case> cases{
        {"stops answering", true, {}, false, {}},
        {"never answers", false, {}, false, {"request TARGETS"}},
        {"lists its types only",
         false,
         {QStringLiteral("--targets")},
         true,
         {"request TARGETS", "request text/html"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.owner);
        QProcess* owner = c.qtHelper
                              ? helperOffers({{QStringLiteral("text/plain"), "unreachable"}}, true)
                              : holderTakes(c.holdArguments);
        // The GUI thread keeps handling events while the read waits for the owner's time-out.
        ticksDuringRead_ = 0;
        auto entry = capture();
        EXPECT_GT(ticksDuringRead_, 5);
        EXPECT_EQ(entry.has_value(), c.recorded);
        if (entry) {
            EXPECT_EQ(entry->kind(), ClipboardKind::unknown);
            EXPECT_FALSE(entry->text());
            EXPECT_FALSE(entry->html());
        }
        // Once an owner has timed out it is asked nothing more until the clipboard changes.
        EXPECT_EQ(capture().has_value(), c.recorded);
        if (!c.qtHelper) {
            QList<QByteArray> requests;
            while (owner->canReadLine() || owner->waitForReadyRead(200)) {
                requests.append(owner->readLine().trimmed());
            }
            EXPECT_EQ(requests, c.requests);
            const qint64 before = pasteboard_.changeCount();
            owner->kill();
            ASSERT_TRUE(changedSince(before)); // its departure is not taken for the next copy
        }

        // The next copy is read as usual.
        xclipOffers(QStringLiteral("UTF8_STRING"), "back again");
        entry = capture();
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->text(), QStringLiteral("back again"));
    }
}

TEST_F(X11PasteboardTest, OwnerTakingTheClipboardBackInALoopStallsNothing) {
    MemoryWorkspace workspace;
    QList<ClipboardEntry> recorded;
    PasteboardMonitor monitor(&pasteboard_, &workspace,
                              [&](ClipboardEntry entry) { recorded.append(std::move(entry)); });
    monitor.wakeOn(&pasteboard_, &Pasteboard::changed);
    monitor.startMonitoring();

    QProcess* owner = holderTakes({QStringLiteral("--retake"), QStringLiteral("100")});
    int ticksWhileCapturing = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout,
                     [&] { ticksWhileCapturing += monitor.isCapturing() ? 1 : 0; });
    timer.start();
    ASSERT_TRUE(waitUntil([&] { return ticksWhileCapturing >= 20; }, 15s));
    const qint64 before = pasteboard_.changeCount();
    owner->kill();
    ASSERT_TRUE(changedSince(before));

    // Once the owner has gone, the next copy is recorded; the owner's never was.
    xclipOffers(QStringLiteral("UTF8_STRING"), "after the loop");
    ASSERT_TRUE(waitUntil([&] { return !recorded.isEmpty(); }, 15s));
    ASSERT_EQ(recorded.size(), 1);
    EXPECT_EQ(recorded.first().text(), QStringLiteral("after the loop"));
}

TEST_F(X11PasteboardTest, WriteBackIsReadByOtherPrograms) {
    entryWith(ClipboardKind::text, QStringLiteral("plain ünïcode"), {}, {}).write(pasteboard_);
    EXPECT_TRUE(xclipReads(QStringLiteral("TARGETS")).contains("UTF8_STRING"));
    EXPECT_EQ(QString::fromUtf8(xclipReads(QStringLiteral("UTF8_STRING"))),
              QStringLiteral("plain ünïcode"));

    entryWith(ClipboardKind::html, QStringLiteral("Bold"), {}, QStringLiteral("<b>Bold</b>"))
        .write(pasteboard_);
    QByteArray targets = xclipReads(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("text/html"));
    EXPECT_FALSE(targets.contains("text/markdown"));
    EXPECT_EQ(xclipReads(QStringLiteral("text/html")), "<b>Bold</b>");
    EXPECT_EQ(xclipReads(QStringLiteral("UTF8_STRING")), "Bold");

    entryWith(ClipboardKind::markdown, {}, QStringLiteral("*md*"), {}).write(pasteboard_);
    EXPECT_TRUE(xclipReads(QStringLiteral("TARGETS")).contains("text/markdown"));
    EXPECT_EQ(xclipReads(QStringLiteral("text/markdown")), "*md*");
    EXPECT_EQ(xclipReads(QStringLiteral("UTF8_STRING")), "*md*");

    entryWith(ClipboardKind::file, QStringLiteral("ignored"), {}, {},
              {QStringLiteral("/tmp/a b.txt"), QStringLiteral("/tmp/c")})
        .write(pasteboard_);
    targets = xclipReads(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("text/uri-list"));
    EXPECT_FALSE(targets.contains("UTF8_STRING"));
    EXPECT_EQ(xclipReads(QStringLiteral("text/uri-list")).split('\n').first().trimmed(),
              "file:///tmp/a%20b.txt");
    EXPECT_EQ(xclipReads(QStringLiteral("x-special/gnome-copied-files")),
              "copy\nfile:///tmp/a%20b.txt\nfile:///tmp/c");

    // The stored PNG goes out byte for byte, also one too large to decode.
    for (const QByteArray& png :
         {encoded(filled(40, 30), "PNG"), quillstack::test::bilevelPNG(9000, 9000)}) {
        entryWith(ClipboardKind::image, QStringLiteral("ignored"), {}, {}, {}, png)
            .write(pasteboard_);
        EXPECT_TRUE(xclipReads(QStringLiteral("TARGETS")).contains("image/png"));
        EXPECT_EQ(xclipReads(QStringLiteral("image/png")), png);
    }

    entryWith(ClipboardKind::color, {}, {}, {}, {}, {}, QStringLiteral("#A1B2C3"))
        .write(pasteboard_);
    EXPECT_EQ(xclipReads(QStringLiteral("UTF8_STRING")), "#A1B2C3");
}

TEST_F(X11PasteboardTest, OwnWritesCaptureAsWritten) {
    entryWith(ClipboardKind::file, {}, {}, {}, {QStringLiteral("/tmp/x y"), QStringLiteral("/z")})
        .write(pasteboard_);
    auto entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::file);
    EXPECT_EQ(entry->filePaths(), (QStringList{QStringLiteral("/tmp/x y"), QStringLiteral("/z")}));

    const QByteArray png = encoded(filled(12, 8), "PNG");
    entryWith(ClipboardKind::image, {}, {}, {}, {}, png).write(pasteboard_);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), ClipboardKind::image);
    EXPECT_EQ(entry->imagePreview()->size(), QSize(12, 8));

    // Qt answers our own reader in increments while the reader waits on its worker thread.
    QString text;
    while (text.size() < 2 * 1024 * 1024) {
        text += QString::fromUtf8("ünïcode 🎈 over several pieces ");
    }
    entryWith(ClipboardKind::text, text, {}, {}).write(pasteboard_);
    entry = capture();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text(), text);
}
