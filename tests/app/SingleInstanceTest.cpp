// One instance per user: the lock, the request protocol, the private folder, the command line.

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
using std::chrono::milliseconds;
using namespace std::chrono_literals;

namespace {

// Runs the call on another thread, as a second process would, while this thread's loop serves.
template <typename Call> auto whileServing(Call call) {
    auto answer = std::async(std::launch::async, call);
    test::waitUntil([&] { return answer.wait_for(milliseconds(0)) == std::future_status::ready; });
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
    auto first = std::make_unique<SingleInstance>(folder.path());
    ASSERT_TRUE(first->claim());
    ASSERT_TRUE(first->listen());
    QList<Request> received;
    const auto record = [&](Request request) { received.append(request); };
    QObject::connect(first.get(), &SingleInstance::requestReceived, record);
    EXPECT_FALSE(second.claim());
    // A request is answered and carried out once confirmed (below, and in the end-to-end tests);
    // anything else is answered as unknown, an endless line is cut off.
    EXPECT_EQ(exchange(first->socketPath(), "rm -rf /\n"), QByteArray("unknown"));
    EXPECT_EQ(exchange(first->socketPath(), QByteArray(4096, 'x')), QByteArray());
    EXPECT_EQ(exchange(first->socketPath(), "quit\nnot confirmed\n"), QByteArray("ok"));
    test::spin(300ms);
    EXPECT_TRUE(received.isEmpty());

    // The instance's loop is held up while a request waits: the sender fails exactly when the
    // instance will not act. Busy past the sender's wait: nothing happens later. Busy past the
    // instance's own time-out while the sender waits: the request is carried out.
    for (const bool senderWaits : {false, true}) {
        SCOPED_TRACE(senderWaits);
        received.clear();
        auto answer = std::async(std::launch::async, [&] {
            return second.send(Request::toggle, senderWaits ? 6000ms : 300ms);
        });
        if (senderWaits) {
            test::waitUntil([&] { return !first->findChildren<QLocalSocket*>().isEmpty(); });
        }
        std::this_thread::sleep_for(senderWaits ? 2500ms : 900ms);
        EXPECT_EQ(whileServing([&] { return answer.get(); }), senderWaits);
        test::spin(300ms); // whatever is still queued is handled
        EXPECT_EQ(received.size(), senderWaits ? 1 : 0);
    }

    // A lock and a socket file left by a dead process: the next one claims and serves.
    first.reset();
    for (const auto& [name, contents] : {std::pair{"/quillstack.lock", "999999999\nquillstack\n\n"},
                                         std::pair{"/quillstack.socket", ""}}) {
        QFile stale(folder.path() + QLatin1String(name));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(contents);
    }
    SingleInstance next(folder.path());
    ASSERT_TRUE(next.claim());
    ASSERT_TRUE(next.listen());
    QObject::connect(&next, &SingleInstance::requestReceived, record);
    received.clear();
    EXPECT_TRUE(whileServing([&] { return second.send(Request::toggle); }));
    EXPECT_TRUE(test::waitUntil([&] { return received == QList<Request>{Request::toggle}; }));
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
    for (const auto& [arguments, action, request] :
         {std::tuple{QStringList{}, Action::run, Request::open},
          std::tuple{QStringList{"--toggle"}, Action::toggle, Request::toggle},
          std::tuple{QStringList{"--quit"}, Action::quit, Request::quit},
          std::tuple{QStringList{"--help"}, Action::help, Request::open},
          std::tuple{QStringList{"-h"}, Action::help, Request::open},
          std::tuple{QStringList{"--version"}, Action::version, Request::open}}) {
        const CommandLine line = CommandLine::parse(arguments);
        EXPECT_EQ(std::tuple(line.action(), line.request(), line.error()),
                  std::tuple(action, request, std::nullopt));
    }
    // Anything else, or more than one argument, is an error and shows the help.
    for (const QStringList& arguments :
         {QStringList{"--Version"}, QStringList{"-v"}, QStringList{"--version", "--toggle"}}) {
        const CommandLine line = CommandLine::parse(arguments);
        EXPECT_EQ(line.action(), Action::help);
        EXPECT_EQ(line.error(), arguments.size() > 1 ? QStringLiteral("too many arguments")
                                                     : "unknown argument: " + arguments.front());
    }
}
