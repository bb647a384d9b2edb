#pragma once

// The real `quillstack` (QUILLSTACK_EXECUTABLE) on an X display: a home of its own, files for
// xclip to copy, and the program started with its readiness report on standard output and
// killed at the end if it still runs.

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace quillstack::test {

// data, config, runtime (owner-only) and files under root, the first three as the XDG folders.
inline bool prepareHome(const QTemporaryDir& root) {
    for (const char* name : {"data", "config", "runtime", "files"}) {
        if (!root.isValid() || !QDir(root.path()).mkpath(QString::fromLatin1(name))) {
            return false;
        }
    }
    ::chmod(QFile::encodeName(root.path() + QStringLiteral("/runtime")).constData(), 0700);
    qputenv("XDG_DATA_HOME", (root.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (root.path() + QStringLiteral("/runtime")).toLocal8Bit());
    return true;
}

inline QString fileIn(const QTemporaryDir& root, const QString& name, const QByteArray& contents) {
    const QString path = root.path() + QStringLiteral("/files/") + name;
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(contents);
    return path;
}

// Another program's copy: xclip offers the file's contents under the type.
inline void xclip(const QString& type, const QString& path) {
    const auto result =
        runProcess(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", type, "-i", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
}

class RunningQuillstack {
public:
    // nativePlatform: Qt picks the platform itself (Wayland services, the panel on XWayland).
    explicit RunningQuillstack(bool nativePlatform = false) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (nativePlatform) {
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        }
        environment.insert(QStringLiteral("QUILLSTACK_READY_FD"), QStringLiteral("1"));
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(QUILLSTACK_EXECUTABLE), {});
        waitUntil(
            [&] {
                output_ += process_.readAllStandardOutput();
                return output_.contains("ready\n") || process_.state() == QProcess::NotRunning;
            },
            std::chrono::seconds(20));
    }
    ~RunningQuillstack() { kill(); }
    RunningQuillstack(const RunningQuillstack&) = delete;
    RunningQuillstack& operator=(const RunningQuillstack&) = delete;

    bool isReady() const { return output_.contains("ready\n"); }
    QProcess& process() { return process_; }
    QByteArray errors() { return process_.readAllStandardError(); }
    void kill() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool waitForExit() {
        return waitUntil([&] { return process_.state() == QProcess::NotRunning; },
                         std::chrono::seconds(10));
    }

private:
    QProcess process_;
    QByteArray output_;
};

} // namespace quillstack::test
