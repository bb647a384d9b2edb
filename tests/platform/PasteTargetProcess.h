#pragma once

#include "support/TestEnvironment.h"

#include <QProcess>

#include <string>

namespace quillstack::test {

// Runs tools/PasteTarget.cpp (quillstack-paste-target, whose path QUILLSTACK_PASTE_TARGET names):
// another process whose window holds a focused text field, for tests that paste into it. Starts
// it and waits until its field has the keyboard focus.
class PasteTargetProcess {
public:
    PasteTargetProcess(const QString& program, const QString& windowClass, bool terminal = false) {
        process_.start(program, {windowClass, QLatin1String(terminal ? "--terminal" : "")});
        const QByteArray ready = nextLine();
        windowId_ = ready.startsWith("ready ") ? ready.mid(6).toULongLong() : 0;
    }
    ~PasteTargetProcess() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(1000);
        }
    }

    // The X11 id of its window; 0 when the helper did not get ready.
    quint64 windowId() const { return windowId_; }
    // Sends a command ("text", "activate") and returns the first line of the answer
    // (empty when none came within 5 s).
    QByteArray ask(const QByteArray& command) {
        process_.write(command + '\n');
        return nextLine();
    }
    std::string text() {
        const QByteArray answer = ask("text");
        return answer.startsWith("text: ") ? answer.mid(6).toStdString() : "<no answer>";
    }
    // Waits (up to 5 s) until the field holds the expected text; returns the last text seen.
    std::string waitForText(const std::string& expected) {
        std::string seen;
        waitUntil([&] { return (seen = text()) == expected; });
        return seen;
    }

private:
    QByteArray nextLine() {
        waitUntil([this] {
            buffer_ += process_.readAllStandardOutput();
            return buffer_.contains('\n') || process_.state() == QProcess::NotRunning;
        });
        const qsizetype end = buffer_.indexOf('\n');
        const QByteArray line = end < 0 ? QByteArray() : buffer_.left(end);
        buffer_.remove(0, end + 1);
        return line;
    }

    QProcess process_;
    QByteArray buffer_;
    quint64 windowId_ = 0;
};

} // namespace quillstack::test
