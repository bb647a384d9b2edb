#pragma once

#include <QProcess>

#include <string>

namespace quillstack::test {

// Runs tools/PasteTarget.cpp (quillstack-paste-target, whose path QUILLSTACK_PASTE_TARGET names):
// another process whose window holds a focused text field, for tests that paste into it.
class PasteTargetProcess {
public:
    // Starts the helper and waits until its field has the keyboard focus.
    PasteTargetProcess(const QString& program, const QString& windowClass, bool terminal = false);
    ~PasteTargetProcess();

    // The X11 id of its window; 0 when the helper did not get ready.
    quint64 windowId() const { return windowId_; }
    // Sends a command ("text", "clear", "activate") and returns the first line of the answer
    // (empty when none came within 5 s).
    QByteArray ask(const QByteArray& command);
    std::string text();
    // Waits (up to 5 s) until the field holds the expected text; returns the last text seen.
    std::string waitForText(const std::string& expected);

private:
    QByteArray nextLine();

    QProcess process_;
    QByteArray buffer_;
    quint64 windowId_ = 0;
};

} // namespace quillstack::test
