#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace quillstack {

// One running Quillstack per user. The first process takes a lock file in the user's runtime
// folder and listens on a local socket beside it; a later process finds the lock taken and
// hands its request (open the panel, toggle it, quit) to the running one over the socket.
//
// The protocol is a few lines: the request's name ("open", "toggle", "quit"), answered with "ok"
// or "unknown"; after "ok" the sender sends "confirm", and only then does the running instance
// carry the request out. A sender that gives up before the answer comes (the running instance
// was busy) reports a failure, and the request is then dropped rather than carried out late.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Request { open, toggle, quit };

    static QString requestName(Request request);
    static std::optional<Request> requestFromName(const QByteArray& name);

    // $XDG_RUNTIME_DIR when it names a folder, else a folder "quillstack-<uid>" in the
    // temporary folder, created owner-only (or made so when it is ours but open to others). When
    // that name is taken by something that is not this user's own folder (a file, a link,
    // another owner's folder), the next of "quillstack-<uid>-2" ... "-8" that is, with one line
    // on standard error. Nothing when none is.
    static std::optional<QString> defaultFolder();

    // folder: where the lock file and the socket live.
    explicit SingleInstance(QString folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    QString lockPath() const;
    QString socketPath() const;

    // Takes the lock: true when this process is now the running instance (also when a lock
    // left by a process that no longer runs was taken over).
    bool claim();
    bool isClaimed() const;

    // For the running instance, after claim(): accepts requests from later processes. False
    // when the socket cannot be set up.
    bool listen();

    // For a later process: hands the request to the running instance and waits for its
    // answer. True when the running instance acknowledged it within the timeout and has been
    // told to go ahead; false means it does not act on the request.
    bool send(Request request, std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;

signals:
    void requestReceived(quillstack::SingleInstance::Request request);

private:
    void accept();
    void serve(QLocalSocket* socket);

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace quillstack
