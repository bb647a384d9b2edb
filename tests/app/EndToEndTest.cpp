// The whole road with the real `quillstack` program on an X display with a window manager and a
// tray: copies by other programs are recorded, the shortcut opens the panel at the pointer, an
// entry is pasted into the window the user came from, the command line reaches the running
// instance, and quitting and starting again keep the history.
//
// QUILLSTACK_EXECUTABLE, QUILLSTACK_PASTE_TARGET and QUILLSTACK_CLIPBOARD_OFFER name the programs.

#include "PasteTargetProcess.h"
#include "RunningQuillstack.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

const QString program = QStringLiteral(QUILLSTACK_EXECUTABLE);

test::ProcessResult xdotool(const QStringList& arguments) {
    return test::runProcess(QStringLiteral("xdotool"), arguments);
}

using Quillstack = test::RunningQuillstack;

struct Window {
    quint64 id = 0;
    QRect geometry;
};

// This program's visible windows: the panel and, where a tray runs, the tray icon.
QList<Window> quillstackWindows() {
    QList<Window> windows;
    const auto found =
        xdotool({"search", "--onlyvisible", "--classname", "^quillstack$"}).out.split('\n');
    for (const QByteArray& line : found) {
        if (line.trimmed().isEmpty()) {
            continue;
        }
        Window window{line.trimmed().toULongLong(), {}};
        const QString shell = QString::fromLatin1(
            xdotool({"getwindowgeometry", "--shell", QString::number(window.id)}).out);
        static const QRegularExpression field(QStringLiteral("^(X|Y|WIDTH|HEIGHT)=(-?\\d+)$"),
                                              QRegularExpression::MultilineOption);
        QHash<QString, int> values;
        for (const auto& match : field.globalMatch(shell)) {
            values.insert(match.captured(1), match.captured(2).toInt());
        }
        window.geometry = QRect(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
        windows.append(window);
    }
    return windows;
}

std::optional<Window> panel() {
    for (const Window& window : quillstackWindows()) {
        if (window.geometry.width() >= 400) {
            return window;
        }
    }
    return std::nullopt;
}

std::optional<Window> trayIcon() {
    for (const Window& window : quillstackWindows()) {
        if (window.geometry.width() < 100) {
            return window;
        }
    }
    return std::nullopt;
}

struct EndToEnd : testing::Test {
    QTemporaryDir root;
    QString historyPath;

    void SetUp() override {
        ASSERT_TRUE(test::prepareHome(root));
        historyPath = root.path() + QStringLiteral("/data/Quillstack/history.json");
    }

    QString file(const QString& name, const QByteArray& contents) {
        return test::fileIn(root, name, contents);
    }

    QByteArray historyBytes() const {
        QFile in(historyPath);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    QJsonArray history() const { return QJsonDocument::fromJson(historyBytes()).array(); }
    QStringList kinds() const {
        QStringList result;
        for (const auto& entry : history()) {
            result.append(entry.toObject().value(QStringLiteral("kind")).toString());
        }
        return result;
    }
    bool waitForEntries(qsizetype count) {
        return QTest::qWaitFor([&] { return history().size() == count; }, 10000);
    }

    static void xclip(const QString& type, const QString& path) { test::xclip(type, path); }

    void pressShortcut() { ASSERT_EQ(xdotool({"key", "super+shift+v"}).exitCode, 0); }
    static bool panelShows() { return panel().has_value(); }
};

TEST_F(EndToEnd, CopyPasteToggleQuitAndRestart) {
    test::PasteTargetProcess target(QStringLiteral(QUILLSTACK_PASTE_TARGET),
                                    QStringLiteral("EndToEndTarget"));
    ASSERT_NE(target.windowId(), 0u);

    auto app = std::make_unique<Quillstack>();
    ASSERT_TRUE(app->isReady()) << app->errors().toStdString();

    // 1. Other programs copy an image, two files, plain text and HTML (with its plain text, as a
    //    browser offers it).
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    const QString png = root.path() + QStringLiteral("/files/picture.png");
    ASSERT_TRUE(image.save(png));
    xclip(QStringLiteral("image/png"), png);
    ASSERT_TRUE(waitForEntries(1)) << app->errors().toStdString();

    const QString first = file(QStringLiteral("report one.txt"), "one");
    const QString second = file(QStringLiteral("report-two.txt"), "two");
    const QString uris =
        file(QStringLiteral("uris"), QUrl::fromLocalFile(first).toEncoded() + "\r\n" +
                                         QUrl::fromLocalFile(second).toEncoded());
    xclip(QStringLiteral("text/uri-list"), uris);
    ASSERT_TRUE(waitForEntries(2));

    const QString plainText = QStringLiteral("Meet at noon by the river");
    xclip(QStringLiteral("UTF8_STRING"), file(QStringLiteral("plain.txt"), plainText.toUtf8()));
    ASSERT_TRUE(waitForEntries(3));

    QProcess offer;
    offer.start(
        QStringLiteral(QUILLSTACK_CLIPBOARD_OFFER),
        {QStringLiteral("text/html=") +
             file(QStringLiteral("page.html"), "<p>Quarterly <b>numbers</b></p>"),
         QStringLiteral("text/plain=") + file(QStringLiteral("page.txt"), "Quarterly numbers")});
    ASSERT_TRUE(offer.waitForStarted());
    ASSERT_TRUE(waitForEntries(4));
    const auto stopOffer = qScopeGuard([&] {
        offer.kill();
        offer.waitForFinished(3000);
    });

    // 2. Four entries of the right kinds, newest first, readable by their owner only.
    EXPECT_EQ(kinds(), (QStringList{"html", "text", "file", "image"}));
    EXPECT_EQ(history().at(2).toObject().value("filePaths").toArray().size(), 2);
    EXPECT_EQ(QFileInfo(historyPath).permissions() & 0x7777,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);

    // 3. The shortcut opens the panel at the pointer; Down then Return pastes the second-newest
    //    entry into the field the user was typing in.
    ASSERT_EQ(target.ask("activate"), QByteArray("active"));
    ASSERT_EQ(xdotool({"mousemove", "--sync", "800", "500"}).exitCode, 0);
    pressShortcut();
    ASSERT_TRUE(QTest::qWaitFor(panelShows)) << app->errors().toStdString();
    const QRect frame = panel()->geometry;
    EXPECT_LE(std::abs(frame.center().x() - 800), 30) << frame.x() << "," << frame.y();
    EXPECT_LE(std::abs(frame.center().y() - 500), 30) << frame.x() << "," << frame.y();

    const QByteArray recorded = historyBytes();
    test::spin(300ms); // the panel takes the keyboard
    ASSERT_EQ(xdotool({"key", "Down"}).exitCode, 0);
    ASSERT_EQ(xdotool({"key", "Return"}).exitCode, 0);
    EXPECT_EQ(target.waitForText(plainText.toStdString()), plainText.toStdString());
    EXPECT_FALSE(panelShows());
    EXPECT_EQ(xdotool({"getactivewindow"}).out.trimmed().toULongLong(), target.windowId());
    // The program's own write is not recorded by the polls that follow.
    test::spin(1s);
    EXPECT_EQ(historyBytes(), recorded);

    // 4. `quillstack --toggle` opens and closes the panel; a second `quillstack` hands over
    //    (opening the panel) and ends, and each copy is still recorded once.
    ASSERT_EQ(test::runProcess(program, {"--toggle"}).exitCode, 0);
    EXPECT_TRUE(QTest::qWaitFor(panelShows));
    ASSERT_EQ(test::runProcess(program, {"--toggle"}).exitCode, 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return !panelShows(); }));

    const test::ProcessResult secondStart = test::runProcess(program, {});
    EXPECT_EQ(secondStart.exitCode, 0) << secondStart.err.toStdString();
    EXPECT_TRUE(QTest::qWaitFor(panelShows));
    ASSERT_EQ(test::runProcess(program, {"--toggle"}).exitCode, 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return !panelShows(); }));

    const QString later = QStringLiteral("copied after the second start");
    xclip(QStringLiteral("UTF8_STRING"), file(QStringLiteral("later.txt"), later.toUtf8()));
    ASSERT_TRUE(waitForEntries(5));
    test::spin(1s);
    int copies = 0;
    for (const auto& entry : history()) {
        copies += entry.toObject().value("text").toString() == later ? 1 : 0;
    }
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(history().size(), 5);

    // 5. "Quit Quillstack" from the tray menu (a click on the item opens it) ends the program.
    const std::optional<Window> icon = trayIcon();
    ASSERT_TRUE(icon.has_value()) << "no tray icon";
    const QPoint middle = icon->geometry.center();
    ASSERT_EQ(xdotool({"mousemove", "--sync", QString::number(middle.x()),
                       QString::number(middle.y()), "click", "1"})
                  .exitCode,
              0);
    test::spin(500ms);
    ASSERT_EQ(xdotool({"key", "Up", "Return"}).exitCode, 0);
    ASSERT_TRUE(app->waitForExit()) << "still running after Quit";
    EXPECT_EQ(app->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app->process().exitCode(), 0);
    const QByteArray beforeRestart = historyBytes();

    // A restart shows the same history: its newest entry is the one the panel pastes first.
    app = std::make_unique<Quillstack>();
    ASSERT_TRUE(app->isReady()) << app->errors().toStdString();
    EXPECT_EQ(historyBytes(), beforeRestart);
    target.ask("clear");
    ASSERT_EQ(target.ask("activate"), QByteArray("active"));
    pressShortcut();
    ASSERT_TRUE(QTest::qWaitFor(panelShows));
    test::spin(300ms);
    ASSERT_EQ(xdotool({"key", "Return"}).exitCode, 0);
    EXPECT_EQ(target.waitForText(later.toStdString()), later.toStdString());

    // SIGTERM takes the same way out: a clean exit that leaves no instance behind.
    app->process().terminate();
    ASSERT_TRUE(app->waitForExit());
    EXPECT_EQ(app->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app->process().exitCode(), 0);
    const test::ProcessResult none = test::runProcess(program, {"--toggle"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, QByteArray("quillstack: Quillstack is not running.\n"));
    EXPECT_EQ(historyBytes(), beforeRestart);
}

} // namespace
