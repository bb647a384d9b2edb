// One instance per user: the lock, the request protocol, the private folder, the command line.
// Taking over the lock and socket of a killed instance: the crash consistency test.

#include "app/SingleInstance.h"
#include "app/CommandLine.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <future>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace quillstack;
using Request = SingleInstance::Request;
using namespace std::chrono_literals;

namespace {

// Runs the call on another thread, as a second process would, while this thread's loop serves.
template <typename Call> auto whileServing(Call call) {
    auto answer = std::async(std::launch::async, call);
    test::waitUntil([&] { return answer.wait_for(0ms) == std::future_status::ready; });
    return answer.get();
}

// Sends a raw line; returns the answer line.
QByteArray exchange(const QString& socketPath, const QByteArray& line) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    socket.write(line);
    test::waitUntil(
        [&] { return socket.canReadLine() || socket.state() != QLocalSocket::ConnectedState; });
    return socket.readLine().trimmed();
}

} // namespace

TEST(SingleInstance, TheFirstClaimsAndLaterOnesHandTheirRequestOver) {
    QTemporaryDir folder;
    SingleInstance second(folder.path());
    // Nobody answering is a failure within the time-out; listening needs the claim.
    EXPECT_FALSE(second.send(Request::toggle, 200ms));
    EXPECT_FALSE(second.listen());
    SingleInstance first(folder.path());
    ASSERT_TRUE(first.claim());
    ASSERT_TRUE(first.listen());
    QList<Request> received;
    QObject::connect(&first, &SingleInstance::requestReceived,
                     [&](Request request) { received.append(request); });
    EXPECT_FALSE(second.claim());
    // A request is answered and carried out once confirmed (below, and in the end-to-end tests);
    // anything else is answered as unknown, an endless line is cut off.
    EXPECT_EQ(exchange(first.socketPath(), "rm -rf /\n"), QByteArray("unknown"));
    EXPECT_EQ(exchange(first.socketPath(), QByteArray(4096, 'x')), QByteArray());
    EXPECT_EQ(exchange(first.socketPath(), "quit\nnot confirmed\n"), QByteArray("ok"));
    test::spin(300ms);
    EXPECT_TRUE(received.isEmpty());

    // The instance's loop is held up while a request waits: the sender fails exactly when the
    // instance will not act. Busy past the sender's wait: nothing happens later. Busy past the
    // instance's own time-out while the sender waits: the request is carried out.
    for (const bool senderWaits : {false, true}) {
        SCOPED_TRACE(senderWaits);
        auto answer = std::async(std::launch::async, [&] {
            return second.send(Request::toggle, senderWaits ? 6000ms : 300ms);
        });
        if (senderWaits) {
            test::waitUntil([&] { return !first.findChildren<QLocalSocket*>().isEmpty(); });
        }
        std::this_thread::sleep_for(senderWaits ? 2500ms : 900ms);
        EXPECT_EQ(whileServing([&] { return answer.get(); }), senderWaits);
        test::spin(300ms); // whatever is still queued is handled
        EXPECT_EQ(received.size(), senderWaits ? 1 : 0);
    }
}

TEST(SingleInstance, TheFolderIsTheRuntimeFolderOrAPrivateOne) {
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldTmp = qgetenv("TMPDIR");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(SingleInstance::defaultFolder(), QDir::cleanPath(runtime.path()));

    // Without one: "quillstack-<uid>" in the temporary folder, or the next name when another
    // user holds that one; a relative runtime folder is ignored.
    QTemporaryDir tmp;
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    const QString expected = tmp.path() + QStringLiteral("/quillstack-%1").arg(getuid());
    EXPECT_EQ(SingleInstance::defaultFolder(), expected);
    ASSERT_EQ(::chown(QFile::encodeName(expected).constData(), 4242, 4242), 0);
    qputenv("XDG_RUNTIME_DIR", ".");
    EXPECT_EQ(SingleInstance::defaultFolder(), expected + QStringLiteral("-2"));

    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    qputenv("TMPDIR", oldTmp);
}

// That --help lists every option is checked against the installed program's manual page.
TEST(CommandLine, ChoosesTheActionAndTheRequest) {
    using Action = CommandLine::Action;
    const QString unknown = QStringLiteral("unknown argument: --Version");
    for (const auto& [arguments, action, request, error] :
         {std::tuple{QStringList{}, Action::run, Request::open, QString()},
          std::tuple{QStringList{"--toggle"}, Action::toggle, Request::toggle, QString()},
          std::tuple{QStringList{"--quit"}, Action::quit, Request::quit, QString()},
          std::tuple{QStringList{"--help"}, Action::help, Request::open, QString()},
          std::tuple{QStringList{"-h"}, Action::help, Request::open, QString()},
          std::tuple{QStringList{"--version"}, Action::version, Request::open, QString()},
          // Anything else, or more than one argument, is an error and shows the help.
          std::tuple{QStringList{"--Version"}, Action::help, Request::open, unknown},
          std::tuple{QStringList{"--version", "--toggle"}, Action::help, Request::open,
                     QStringLiteral("too many arguments")}}) {
        const CommandLine line = CommandLine::parse(arguments);
        EXPECT_EQ(std::tuple(line.action(), line.request(), line.error().value_or(QString())),
                  std::tuple(action, request, error));
    }
}
