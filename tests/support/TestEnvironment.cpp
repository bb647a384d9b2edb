#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace quillstack::test {

TemporaryHome::TemporaryHome()
    : oldData_(qgetenv("XDG_DATA_HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME")) {
    QDir(dir_.path()).mkpath(QStringLiteral("data"));
    QDir(dir_.path()).mkpath(QStringLiteral("config"));
    qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
}

TemporaryHome::~TemporaryHome() {
    qputenv("XDG_DATA_HOME", oldData_);
    qputenv("XDG_CONFIG_HOME", oldConfig_);
}

CapturedStandardError::CapturedStandardError() {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(QFile::encodeName(dir_.filePath(QStringLiteral("stderr"))).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
}

CapturedStandardError::~CapturedStandardError() {
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
}

QByteArray CapturedStandardError::text() const {
    std::fflush(stderr);
    QFile file(dir_.filePath(QStringLiteral("stderr")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QByteArray> CapturedStandardError::lines(const QByteArray& prefix) const {
    QList<QByteArray> found;
    for (const QByteArray& line : text().split('\n')) {
        if (line.startsWith(prefix)) {
            found.append(line);
        }
    }
    return found;
}

bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor(predicate, static_cast<int>(timeout.count()));
}

void spin(std::chrono::milliseconds duration) {
    QTest::qWait(static_cast<int>(duration.count()));
}

ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         const QByteArray& input) {
    QProcess process;
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForStarted(5000)) {
        result.err = "failed to start " + program.toLocal8Bit();
        return result;
    }
    if (!input.isEmpty()) {
        process.write(input);
    }
    process.closeWriteChannel();
    waitUntil([&] { return process.state() == QProcess::NotRunning; }, std::chrono::seconds(10));
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
        result.err = "timed out: " + program.toLocal8Bit();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err += process.readAllStandardError();
    return result;
}

} // namespace quillstack::test
