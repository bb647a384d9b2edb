#pragma once

#include "support/TestEnvironment.h"

#include <QProcess>

#include <string>

namespace quillstack::test {

// Runs tools/PasteTarget.cpp (QUILLSTACK_PASTE_TARGET names it): another process whose window
// holds a text field for tests to paste into. Returns once the field has the keyboard focus.
class PasteTargetProcess {
public:
    PasteTargetProcess(const QString& program, const QString& windowClass, bool terminal = false) {
        process_.start(program, {windowClass, QLatin1String(terminal ? "--terminal" : "")});
        const QByteArray ready = ask({});
        windowId_ = ready.startsWith("ready ") ? ready.mid(6).toULongLong() : 0;
    }
    ~PasteTargetProcess() {
        process_.kill();
        process_.waitForFinished(1000);
    }

    // The X11 id of its window; 0 when the helper did not get ready.
    quint64 windowId() const { return windowId_; }
    // Sends a command ("text", "activate"; none: only reads) and returns the next line of output
    // (empty when none came within 5 s).
    QByteArray ask(const QByteArray& command) {
        process_.write(command.isEmpty() ? command : command + '\n');
        waitUntil([this] {
            buffer_ += process_.readAllStandardOutput();
            return buffer_.contains('\n') || process_.state() == QProcess::NotRunning;
        });
        const qsizetype end = buffer_.indexOf('\n');
        const QByteArray line = end < 0 ? QByteArray() : buffer_.left(end);
        buffer_.remove(0, end + 1);
        return line;
    }
    std::string text() { return ask("text").mid(6).toStdString(); }
    // Waits (up to 5 s) until the field holds the expected text; returns the last text seen.
    std::string waitForText(const std::string& expected) {
        std::string seen;
        waitUntil([&] { return (seen = text()) == expected; });
        return seen;
    }

private:
    QProcess process_;
    QByteArray buffer_;
    quint64 windowId_ = 0;
};

} // namespace quillstack::test
