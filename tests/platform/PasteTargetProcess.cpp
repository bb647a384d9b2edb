#include "PasteTargetProcess.h"

#include "support/TestEnvironment.h"

namespace quillstack::test {

PasteTargetProcess::PasteTargetProcess(const QString& program, const QString& windowClass,
                                       bool terminal) {
    process_.start(program,
                   QStringList{QStringLiteral("--class"), windowClass} +
                       (terminal ? QStringList{QStringLiteral("--terminal")} : QStringList()));
    const QByteArray ready = nextLine();
    windowId_ = ready.startsWith("ready ") ? ready.mid(6).toULongLong() : 0;
}

PasteTargetProcess::~PasteTargetProcess() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

QByteArray PasteTargetProcess::ask(const QByteArray& command) {
    process_.write(command + '\n');
    return nextLine();
}

std::string PasteTargetProcess::text() {
    const QByteArray answer = ask("text");
    return answer.startsWith("text: ") ? answer.mid(6).toStdString() : "<no answer>";
}

std::string PasteTargetProcess::waitForText(const std::string& expected) {
    std::string seen;
    waitUntil([&] { return (seen = text()) == expected; });
    return seen;
}

QByteArray PasteTargetProcess::nextLine() {
    waitUntil([this] {
        buffer_ += process_.readAllStandardOutput();
        return buffer_.contains('\n') || process_.state() == QProcess::NotRunning;
    });
    const qsizetype end = buffer_.indexOf('\n');
    const QByteArray line = end < 0 ? QByteArray() : buffer_.left(end);
    buffer_.remove(0, end + 1);
    return line;
}

} // namespace quillstack::test
