#include "app/SingleInstance.h"

#include "platform/Diagnostics.h"
#include "platform/DurableFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillstack {

namespace {

// A request line is a short word; anything longer is not a request.
constexpr qint64 maxRequestLength = 32;
// How long a connected process may take to send its request, and then its confirmation.
constexpr int requestTimeoutMs = 2000;
// How many names in the temporary folder are tried for the lock's folder.
constexpr int maxFallbackFolders = 8;

// How long the sender may take to hand over its confirmation (a few bytes to a local socket).
constexpr int confirmTimeoutMs = 1000;

const QByteArray ok = QByteArrayLiteral("ok");
const QByteArray unknown = QByteArrayLiteral("unknown");
const QByteArray confirm = QByteArrayLiteral("confirm");

} // namespace

QString SingleInstance::requestName(Request request) {
    switch (request) {
    case Request::open:
        return QStringLiteral("open");
    case Request::toggle:
        return QStringLiteral("toggle");
    case Request::quit:
        return QStringLiteral("quit");
    }
    return {};
}

std::optional<SingleInstance::Request> SingleInstance::requestFromName(const QByteArray& name) {
    for (const Request request : {Request::open, Request::toggle, Request::quit}) {
        if (name == requestName(request).toLatin1()) {
            return request;
        }
    }
    return std::nullopt;
}

std::optional<QString> SingleInstance::defaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        return QDir::cleanPath(runtime);
    }
    // Every process of this user walks the same short list of names, so that they all meet in
    // the first one that is this user's own; a name someone else took is passed over.
    const QString first =
        QDir::tempPath() + QStringLiteral("/quillstack-") + QString::number(getuid());
    for (int n = 1; n <= maxFallbackFolders; ++n) {
        const QString folder = n == 1 ? first : first + QLatin1Char('-') + QString::number(n);
        if (!DurableFile::makePrivateFolder(folder)) {
            continue;
        }
        if (n > 1) {
            printDiagnostic(
                QStringLiteral("%1 is not a private folder of this user; using %2 instead.")
                    .arg(first, folder));
        }
        return folder;
    }
    return std::nullopt;
}

SingleInstance::SingleInstance(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), lock_(std::make_unique<QLockFile>(lockPath())) {
    // The lock is held for the life of the process: only a dead owner makes it stale.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    if (server_) {
        server_->close();
    }
}

QString SingleInstance::lockPath() const {
    return folder_ + QStringLiteral("/quillstack.lock");
}

QString SingleInstance::socketPath() const {
    return folder_ + QStringLiteral("/quillstack.socket");
}

bool SingleInstance::claim() {
    return lock_->isLocked() || lock_->tryLock(0);
}

bool SingleInstance::isClaimed() const {
    return lock_->isLocked();
}

bool SingleInstance::listen() {
    if (!isClaimed()) {
        return false;
    }
    if (!server_) {
        server_ = new QLocalServer(this);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    }
    if (server_->isListening()) {
        return true;
    }
    // Holding the lock, any socket file there was left by an instance that has ended.
    QLocalServer::removeServer(socketPath());
    return server_->listen(socketPath());
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        serve(socket);
    }
}

void SingleInstance::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto* timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    timeout->start(requestTimeoutMs);
    // Set once the request has been answered "ok"; it is carried out on the sender's "confirm".
    auto answered = std::make_shared<std::optional<Request>>();
    const auto readLines = [this, socket, timeout, answered] {
        while (socket->canReadLine()) {
            const QByteArray line = socket->readLine(maxRequestLength + 1).trimmed();
            if (!*answered) {
                const std::optional<Request> request = requestFromName(line);
                socket->write((request ? ok : unknown) + '\n');
                socket->flush();
                if (!request) {
                    timeout->stop();
                    socket->disconnectFromServer();
                    return;
                }
                *answered = request;
                timeout->start(requestTimeoutMs);
                continue;
            }
            // One request per connection.
            timeout->stop();
            disconnect(socket, nullptr, this, nullptr);
            socket->disconnectFromServer();
            if (line == confirm) {
                emit requestReceived(**answered);
            }
            return;
        }
        if (socket->bytesAvailable() > maxRequestLength) {
            timeout->stop();
            socket->abort();
        }
    };
    connect(socket, &QLocalSocket::readyRead, this, readLines);
    // A sender that has gone may have confirmed first: its last line is still to be read.
    connect(socket, &QLocalSocket::disconnected, this, readLines);
    connect(timeout, &QTimer::timeout, socket, [socket, timeout, readLines] {
        // After a busy spell the time-out and the line may be due together: read first.
        socket->waitForReadyRead(0);
        readLines();
        if (!timeout->isActive()) {
            socket->abort();
        }
    });
    readLines();
}

bool SingleInstance::send(Request request, std::chrono::milliseconds timeout) const {
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    // The running instance may still be starting: its socket appears shortly after its lock.
    for (;;) {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    socket.write(requestName(request).toLatin1() + '\n');
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() ||
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false; // unconfirmed: the running instance will not act on it
        }
    }
    if (socket.readLine(maxRequestLength + 1).trimmed() != ok) {
        return false;
    }
    // The running instance acts only on this confirmation, so that it never acts on a request
    // whose sender has given up and reported a failure.
    socket.write(confirm + '\n');
    return socket.waitForBytesWritten(confirmTimeoutMs);
}

} // namespace quillstack
