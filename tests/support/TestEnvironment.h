#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>

namespace quillstack::test {

// Points XDG_DATA_HOME and XDG_CONFIG_HOME at a fresh temporary folder for the lifetime of
// the object, so that tests never touch the real user's files.
class TemporaryHome {
public:
    TemporaryHome();
    ~TemporaryHome();
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    QString path() const { return dir_.path(); }
    QString dataHome() const { return dir_.path() + QStringLiteral("/data"); }
    QString configHome() const { return dir_.path() + QStringLiteral("/config"); }

private:
    QTemporaryDir dir_;
    QByteArray oldData_;
    QByteArray oldConfig_;
};

// Sends what this process writes to standard error into a file for the lifetime of the object.
class CapturedStandardError {
public:
    CapturedStandardError();
    ~CapturedStandardError();
    CapturedStandardError(const CapturedStandardError&) = delete;
    CapturedStandardError& operator=(const CapturedStandardError&) = delete;

    // Everything written so far.
    QByteArray text() const;
    // The lines so far that begin with the prefix.
    QList<QByteArray> lines(const QByteArray& prefix = "Quillstack: ") const;

private:
    QTemporaryDir dir_;
    int saved_ = -1;
};

// QTest::qWaitFor and QTest::qWait with std::chrono times.
// Spins the Qt event loop until the predicate holds or the time runs out; returns the
// predicate's last value.
bool waitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Spins the Qt event loop for the given time.
void spin(std::chrono::milliseconds duration);

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program to completion (at most 10 s) while the Qt event loop keeps running, so that
// the program may talk to this process's own clipboard owner.
ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         const QByteArray& input = {});

} // namespace quillstack::test
