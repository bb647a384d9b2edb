#pragma once

// The real `quillstack` (QUILLSTACK_EXECUTABLE), started with its readiness report on standard
// output and killed at the end if it still runs.

#include "support/TestEnvironment.h"

#include <QProcess>

namespace quillstack::test {

class RunningQuillstack {
public:
    explicit RunningQuillstack(std::chrono::milliseconds readyWithin = std::chrono::seconds(20)) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUILLSTACK_READY_FD"), QStringLiteral("1"));
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(QUILLSTACK_EXECUTABLE), {});
        waitUntil(
            [&] {
                output_ += process_.readAllStandardOutput();
                return output_.contains("ready\n") || process_.state() == QProcess::NotRunning;
            },
            readyWithin);
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
