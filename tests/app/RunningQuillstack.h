#pragma once

// The real `quillstack` (QUILLSTACK_EXECUTABLE) in a home of its own: started with its
// readiness report on standard output, killed at the end if it still runs.

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace quillstack::test {

// data, config, runtime (owner-only) and files under root, the first three as the XDG folders.
inline void prepareHome(const QTemporaryDir& root,
                        const QStringList& xdg = {"data", "config", "runtime"}) {
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("files")));
    for (const QString& name : xdg) {
        ASSERT_TRUE(QDir(root.path()).mkpath(name));
        qputenv(("XDG_" + name.toUpper() + (name == "runtime" ? "_DIR" : "_HOME")).toLatin1(),
                (root.path() + '/' + name).toLocal8Bit());
    }
    ::chmod(QFile::encodeName(root.path() + QStringLiteral("/runtime")).constData(), 0700);
}

inline QString fileIn(const QTemporaryDir& root, const QString& name, const QByteArray& contents) {
    QFile out(root.path() + QStringLiteral("/files/") + name);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(contents);
    return out.fileName();
}

// Another program's copy: xclip offers the file's contents under the type.
inline void xclip(const QString& type, const QString& path) {
    const auto result =
        runProcess(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", type, "-i", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
}

inline QJsonArray historyIn(const QString& dataHome) {
    QFile in(dataHome + QStringLiteral("/Quillstack/history.json"));
    return in.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(in.readAll()).array()
                                        : QJsonArray();
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

    bool isReady() const { return output_.contains("ready\n"); }
    QProcess& process() { return process_; }
    QByteArray errors() { return process_.readAllStandardError(); }
    void kill() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    // Waits for the end of the program and expects it to be a clean one.
    void expectCleanExit(std::chrono::seconds timeout = std::chrono::seconds(10)) {
        ASSERT_TRUE(waitUntil([&] { return process_.state() == QProcess::NotRunning; }, timeout));
        EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process_.exitCode(), 0);
    }

private:
    QProcess process_;
    QByteArray output_;
};

} // namespace quillstack::test
