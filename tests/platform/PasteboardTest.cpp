// The clipboard of X11 (or Wayland: QUILLSTACK_WAYLAND_PASTEBOARD) against other programs. Reads
// run on a worker thread, as the capture makes them, while the GUI thread answers for our own.
#include "entries/ClipboardEntry.h"
#include "entries/ImageNormalizer.h"
#include "platform/memory/MemoryWorkspace.h"
#include "store/PasteboardMonitor.h"
#include "support/TestEnvironment.h"
#include "support/TestImages.h"

#ifdef QUILLSTACK_WAYLAND_PASTEBOARD
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandPasteboard.h"
#else
#include "platform/x11/X11Pasteboard.h"
#endif

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>
#include <future>

using namespace quillstack;
using namespace quillstack::test;
using namespace std::chrono_literals;

#ifdef QUILLSTACK_WAYLAND_PASTEBOARD // the owner helper is an X11 client
#define QUILLSTACK_CLIPBOARD_OWNER ""
#endif

namespace {

// Another program copies (one type, from standard input) or reads (one type, or the list of types
// for an empty one).
#ifdef QUILLSTACK_WAYLAND_PASTEBOARD
constexpr bool wayland = true;
struct Desktop {
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::connect();
    WaylandPasteboard pasteboard{*connection, DataControl::Protocol::wlr};
    Desktop() {
        connection->roundtrip(); // the selection found at start is in before the test copies
        connection->start();
    }
    static QStringList copy(const QString& type, bool primary) {
        QStringList command{"wl-copy", "--type", type};
        return primary ? command << "--primary" : command;
    }
    static QStringList paste(const QString& type) {
        return type.isEmpty() ? QStringList{"wl-paste", "--list-types"}
                              : QStringList{"wl-paste", "--no-newline", "--type", type};
    }
    static constexpr const char *textType = "text/plain", *utf8Type = "text/plain;charset=utf-8";
};
#else
constexpr bool wayland = false;
struct Desktop {
    X11Pasteboard pasteboard;
    static QStringList copy(const QString& type, bool primary) {
        return {"xclip", "-selection", primary ? "primary" : "clipboard", "-t", type};
    }
    static QStringList paste(const QString& type) {
        return {"xclip", "-o", "-selection", "clipboard", "-t", type.isEmpty() ? "TARGETS" : type};
    }
    static constexpr const char *textType = "UTF8_STRING", *utf8Type = "UTF8_STRING";
};
#endif

ProcessResult run(const QStringList& command, const QByteArray& input = {}) {
    return runProcess(command[0], command.mid(1), input);
}

using Offer = QList<std::pair<QString, QByteArray>>;

ClipboardEntry entryWith(ClipboardKind kind, std::optional<QString> text,
                         std::optional<QString> html = {}, QStringList files = {},
                         std::optional<QByteArray> image = {}) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind,
                          std::move(text), std::nullopt, std::move(html), std::nullopt,
                          std::move(files), std::move(image), std::nullopt, QString(64, u'0'),
                          std::nullopt);
}

// What another program offers, and what the capture of it must find (unset fields are not
// checked).
struct CaptureCase {
    const char* name;
    Offer offer;
    ClipboardKind kind;
    std::optional<QString> text = {}, html = {}, markdown = {};
    bool noText = false;
    std::optional<QStringList> files = {};
    std::optional<QByteArray> png = {};
    std::optional<QSize> decodedSize = {};
    bool x11Only = false;
};

const QList<CaptureCase>& captureCases() {
    using K = ClipboardKind;
    static const QString mozURL = QStringLiteral("https://example.com/a?b=c\nExample");
    static const QByteArray png = encoded(filled(30, 20), "PNG");
    static const QByteArray large =
        QByteArray("All work and no play makes Jäck a dull bøy. 🎈 ").repeated(64 * 1024);
    static const QByteArray blob = [] {
        QByteArray bytes(5 * 1024 * 1024 + 3, '\0');
        QRandomGenerator(12).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        return bytes.replace(0, 8, "\x89PNG\r\n\x1a\n");
    }();
    // clang-format off
    static const QList<CaptureCase> cases{
        {"UTF-8 text", {{"text/plain;charset=utf-8", "Grüße aus Köln"}}, K::text, QString::fromUtf8("Grüße aus Köln")},
        {"PNG", {{"image/png", png}}, K::image, {}, {}, {}, false, {}, png},
        {"URI list", {{"text/uri-list", "# two files\r\nfile:///tmp/report.pdf\r\nfile:///tmp/caf%C3%A9%20menu.txt\r\n"}},
         K::file, {}, {}, {}, true, QStringList{"/tmp/report.pdf", QString::fromUtf8("/tmp/café menu.txt")}},
        {"several types with a password manager's mark",
         {{"text/plain", "Hello"}, {"text/html", "<h1>Hello</h1>"}, {"text/markdown", "# Hello"}, {"x-kde-passwordManagerHint", "secret"}},
         K::markdown, QStringLiteral("Hello"), QStringLiteral("<h1>Hello</h1>"), QStringLiteral("# Hello")},
        {"large text in increments", {{"UTF8_STRING", large}}, K::text, QString::fromUtf8(large)},
        // Another image format stands in when there is no PNG or TIFF.
        {"BMP", {{"image/bmp", encoded(filled(64, 48), "BMP")}}, K::image, {}, {}, {}, false, {}, {}, QSize(64, 48), true},
        {"browser link", {{"text/x-moz-url", QByteArray(reinterpret_cast<const char*>(mozURL.utf16()), mozURL.size() * 2)}},
         K::text, QStringLiteral("https://example.com/a?b=c"), {}, {}, false, QStringList(), {}, {}, true},
        {"large PNG in increments", {{"image/png", blob}}, K::image, {}, {}, {}, false, {}, blob, {}, true},
    };
    // clang-format on
    return cases;
}

void expectCaptured(const std::optional<ClipboardEntry>& entry, const CaptureCase& c) {
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind(), c.kind);
    EXPECT_TRUE(!c.text || entry->text() == c.text)
        << entry->text().value_or(QStringLiteral("-")).left(80).toStdString();
    EXPECT_TRUE(!c.noText || wayland || !entry->text()); // wl-copy adds text types to text/*
    EXPECT_TRUE(!c.html || entry->html() == c.html);
    EXPECT_TRUE(!c.markdown || entry->markdown() == c.markdown);
    EXPECT_EQ(entry->filePaths(), c.files.value_or(entry->filePaths()));
    EXPECT_TRUE(!c.png || entry->imagePNGData() == c.png);
    if (c.decodedSize) {
        EXPECT_EQ(ImageNormalizer::decode(entry->imagePNGData().value())->size(), c.decodedSize);
    }
}

// An entry written back, what other programs read of each type, and a type not offered. The
// program's own capture reads the entry back as written.
struct WriteBackCase {
    const char* name;
    ClipboardEntry entry;
    Offer values;
    const char* notOffered = "text/markdown";
};

QList<WriteBackCase> writeBackCases() {
    using K = ClipboardKind;
    const QByteArray png = encoded(filled(40, 30), "PNG");
    const QString a = QStringLiteral("/tmp/a b.txt"), c = QStringLiteral("/tmp/c");
    // clang-format off
    return {
        {"text", entryWith(K::text, QStringLiteral("plain ünïcode")),
         {{"UTF8_STRING", "plain ünïcode"}, {Desktop::utf8Type, "plain ünïcode"}}},
        {"HTML", entryWith(K::html, QStringLiteral("Bold"), QStringLiteral("<b>Bold</b>")),
         {{"text/html", "<b>Bold</b>"}, {"UTF8_STRING", "Bold"}}},
        {"files", entryWith(K::file, QStringLiteral("ignored"), {}, {a, c}),
         {{"text/uri-list", "file:///tmp/a%20b.txt\r\nfile:///tmp/c\r\n"},
          {"x-special/gnome-copied-files", "copy\nfile:///tmp/a%20b.txt\nfile:///tmp/c"}}, Desktop::textType},
        {"PNG", entryWith(K::image, QStringLiteral("ignored"), {}, {}, png), {{"image/png", png}}},
    };
    // clang-format on
}

class PasteboardTest : public ::testing::Test {
protected:
    // The clipboard taken over first, so that the next test sees no helper's departure.
    void TearDown() override {
        changes([&] { pasteboard_.setString(QStringLiteral("end"), Pasteboard::stringType()); });
        for (const auto& process : helpers_) {
            process->kill();
            process->waitForFinished(2000);
        }
    }

    // Runs the action and waits until the clipboard has changed.
    template <typename Action> bool changes(Action action) {
        const qint64 before = pasteboard_.changeCount();
        action();
        return waitUntil([&] { return pasteboard_.changeCount() != before; });
    }
    void write(const ClipboardEntry& entry) {
        ASSERT_TRUE(changes([&] { entry.write(pasteboard_); }));
    }

    // Another program copies: xclip or wl-copy for one type, else the owner helper.
    void offer(const Offer& offers) {
        if (offers.size() == 1) {
            ASSERT_TRUE(changes([&] {
                const ProcessResult result =
                    run(Desktop::copy(offers[0].first, false), offers[0].second);
                EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
            }));
            return;
        }
        QStringList arguments;
        for (const auto& [type, bytes] : offers) {
            QFile file(files_.filePath(QString::number(arguments.size())));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            arguments.append(type + QLatin1Char('=') + file.fileName());
        }
        takes(QStringLiteral(QUILLSTACK_CLIPBOARD_OWNER), arguments);
    }
    void copy(const QByteArray& text) { offer({{Desktop::textType, text}}); }

    // A program that owns the clipboard until replaced (or killed): the owner helper once it says
    // "ready", or on Wayland wl-copy serving in the foreground (stopped, it never answers).
    QProcess* takes(const QString& program, const QStringList& arguments) {
        QProcess* process = helpers_.emplace_back(std::make_unique<QProcess>()).get();
        EXPECT_TRUE(changes([&] {
            process->start(program, arguments);
            process->write("unreachable");
            process->closeWriteChannel();
            EXPECT_TRUE(wayland || waitUntil([&] { return process->canReadLine(); }))
                << process->readAllStandardError().toStdString();
            EXPECT_TRUE(wayland || process->readLine().trimmed() == "ready");
        }));
        return process;
    }

    // A read off the GUI thread, counting the ticks of a timer on the GUI thread meanwhile.
    template <typename Read> auto offThread(Read read) {
        auto result = std::async(std::launch::async, read);
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticksDuringRead_; });
        timer.start(20);
        EXPECT_TRUE(
            waitUntil([&] { return result.wait_for(0s) == std::future_status::ready; }, 60s));
        return result.get();
    }
    std::optional<ClipboardEntry> capture() {
        return offThread([this] {
            return ClipboardEntry::capture(pasteboard_, QStringLiteral("org.example.Copier"));
        });
    }
    void expectEmpty() {
        EXPECT_TRUE(offThread([&] { return pasteboard_.pasteboardItems(); }).isEmpty());
        EXPECT_FALSE(capture());
    }

    Desktop desktop_;
    Pasteboard& pasteboard_ = desktop_.pasteboard;
    int ticksDuringRead_ = 0;
    QTemporaryDir files_;
    std::vector<std::unique_ptr<QProcess>> helpers_;
};

} // namespace

TEST_F(PasteboardTest, CapturesWhatOthersOfferAndOthersReadWhatIsWrittenBack) {
    for (const CaptureCase& c : captureCases()) {
        if (wayland && (c.x11Only || c.offer.size() > 1)) {
            continue;
        }
        SCOPED_TRACE(c.name);
        offer(c.offer);
        if (c.files && c.files->size() == 2) {
            EXPECT_EQ(offThread([&] { return pasteboard_.pasteboardItems(); }).size(), 2);
        }
        if (c.markdown) { // the mark is a type; X11 names for text count as text; meta targets not
            EXPECT_TRUE(offThread([&] {
                return pasteboard_.hasType(QStringLiteral("x-kde-passwordManagerHint")) &&
                       pasteboard_.hasType(Pasteboard::stringType()) &&
                       !pasteboard_.hasType(QStringLiteral("TARGETS")) &&
                       !pasteboard_.data(QStringLiteral("MULTIPLE"));
            }));
        }
        expectCaptured(capture(), c);
    }
    for (const WriteBackCase& c : writeBackCases()) {
        SCOPED_TRACE(c.name);
        write(c.entry);
        const QByteArray types = run(Desktop::paste({})).out;
        EXPECT_FALSE(types.contains(c.notOffered)) << types.constData();
        for (const auto& [type, value] : c.values) {
            EXPECT_TRUE(run(Desktop::paste(type)).out == value) << type.toStdString();
        }
        const auto own = capture();
        ASSERT_TRUE(own);
        EXPECT_EQ(own->kind(), c.entry.kind());
        EXPECT_EQ(own->filePaths(), c.entry.filePaths());
        EXPECT_TRUE(own->imagePNGData() == c.entry.imagePNGData());
        EXPECT_TRUE(c.entry.kind() != ClipboardKind::text || own->text() == c.entry.text());
    }
}

TEST_F(PasteboardTest, OwnersThatNeverAnswerStallNothing) {
    struct Case {
        const char* owner;
        QStringList holdArguments; // for the X11 holder; on Wayland a stopped wl-copy
        bool recorded;             // an item there, but nothing can be read
        QList<QByteArray> requests;
    };
    const Case cases[] = {
        {"never answers", {}, false, {"request TARGETS"}},
        {"lists its types only", {"--targets"}, true, {"request TARGETS", "request text/html"}},
    };
    for (const Case& c : cases) {
        if (wayland && !c.holdArguments.isEmpty()) {
            continue;
        }
        SCOPED_TRACE(c.owner);
        QProcess* owner = wayland
                              ? takes(QStringLiteral("wl-copy"), {"--foreground"})
                              : takes(QStringLiteral(QUILLSTACK_CLIPBOARD_OWNER), c.holdArguments);
        if (wayland) {
            ::kill(pid_t(owner->processId()), SIGSTOP);
        }
        ticksDuringRead_ = 0;
        auto entry = capture();
        EXPECT_GT(ticksDuringRead_, 5);
        EXPECT_EQ(entry.has_value(), c.recorded);
        EXPECT_TRUE(!entry ||
                    (entry->kind() == ClipboardKind::unknown && !entry->text() && !entry->html()));
        // Once an owner has timed out it is asked nothing more until the clipboard changes.
        EXPECT_EQ(capture().has_value(), c.recorded);
        if (!wayland) {
            QList<QByteArray> requests;
            while (owner->canReadLine() || owner->waitForReadyRead(200)) {
                requests.append(owner->readLine().trimmed());
            }
            EXPECT_EQ(requests, c.requests);
            ASSERT_TRUE(changes([&] { owner->kill(); })); // its departure leaves nothing
            expectEmpty();
        }
        copy("back again");
        entry = capture();
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->text(), QStringLiteral("back again"));
    }
}

TEST_F(PasteboardTest, MonitorRecordsClipboardChangesButNotOwnWritesOrAnOwnerInALoop) {
    MemoryWorkspace workspace;
    QList<ClipboardEntry> recorded;
    PasteboardMonitor monitor(&pasteboard_, &workspace,
                              [&](ClipboardEntry entry) { recorded.append(std::move(entry)); });
    monitor.wakeOn(&pasteboard_, &Pasteboard::changed);
    monitor.startMonitoring();
    copy("first");
    ASSERT_TRUE(waitUntil([&] { return recorded.size() == 1; }));
    EXPECT_EQ(recorded.last().text(), QStringLiteral("first"));
    const qint64 afterFirst = pasteboard_.changeCount(); // the primary selection is no change
    run(Desktop::copy(Desktop::textType, /*primary=*/true), "primary");
    spin(300ms);
    EXPECT_EQ(pasteboard_.changeCount(), afterFirst);
    EXPECT_EQ(capture()->text(), QStringLiteral("first"));
    monitor.ignoreNext(); // own writes count (once on Wayland) but are not recorded
    write(entryWith(ClipboardKind::text, QStringLiteral("pasted back")));
    EXPECT_TRUE(!wayland || pasteboard_.changeCount() == afterFirst + 1);
    spin(800ms);
    EXPECT_EQ(recorded.size(), 1);
    ASSERT_TRUE(changes([&] { pasteboard_.clearContents(); }));
    expectEmpty();

    if (!wayland) { // an owner that takes the clipboard back every 100 ms and never answers
        QProcess* owner = takes(QStringLiteral(QUILLSTACK_CLIPBOARD_OWNER), {"--retake", "100"});
        int ticksWhileCapturing = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout,
                         [&] { ticksWhileCapturing += monitor.isCapturing() ? 1 : 0; });
        timer.start(20);
        ASSERT_TRUE(waitUntil([&] { return ticksWhileCapturing >= 20; }, 15s));
        owner->kill();
    }
    copy("second");
    ASSERT_TRUE(waitUntil([&] { return recorded.size() >= 2; }, 15s));
    spin(300ms);
    for (qsizetype i = 1; i < recorded.size(); ++i) { // an X11 copy may be noticed twice
        EXPECT_EQ(recorded[i].text(), QStringLiteral("second"));
    }
}
