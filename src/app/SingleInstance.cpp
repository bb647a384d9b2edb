#include "app/SingleInstance.h"

#include "platform/DurableFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace quillstack {

namespace {

// A request line is a short word; anything longer is not a request.
constexpr qint64 maxRequestLength = 32;
// How long a connected process may take to send its request.
constexpr int requestTimeoutMs = 2000;
// How many names in the temporary folder are tried for the lock's folder.
constexpr int maxFallbackFolders = 8;

const QByteArray ok = QByteArrayLiteral("ok");
const QByteArray unknown = QByteArrayLiteral("unknown");

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
            std::fputs(QStringLiteral("Quillstack: %1 is not a private folder of this user; using "
                                      "%2 instead.\n")
                           .arg(first, folder)
                           .toLocal8Bit()
                           .constData(),
                       stderr);
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
    QTimer::singleShot(requestTimeoutMs, socket, [socket] { socket->abort(); });
    const auto readRequest = [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > maxRequestLength) {
                socket->abort();
            }
            return;
        }
        // One request per connection.
        disconnect(socket, nullptr, this, nullptr);
        const QByteArray line = socket->readLine(maxRequestLength + 1).trimmed();
        const std::optional<Request> request = requestFromName(line);
        socket->write((request ? ok : unknown) + '\n');
        socket->flush();
        socket->disconnectFromServer();
        if (request) {
            emit requestReceived(*request);
        }
    };
    connect(socket, &QLocalSocket::readyRead, this, readRequest);
    readRequest();
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
            return false;
        }
    }
    return socket.readLine(maxRequestLength + 1).trimmed() == ok;
}

} // namespace quillstack
