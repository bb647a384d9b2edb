#include "platform/KeystrokeCommand.h"

#include <QProcess>

namespace quillstack {

namespace {

constexpr int startTimeoutMs = 2000;
constexpr int finishTimeoutMs = 3000;

} // namespace

std::optional<QString> runKeystrokeCommand(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(startTimeoutMs)) {
        return QStringLiteral("%1 could not be started: %2").arg(program, process.errorString());
    }
    if (!process.waitForFinished(finishTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return QStringLiteral("%1 did not finish within %2 ms").arg(program).arg(finishTimeoutMs);
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        return QStringLiteral("%1 crashed").arg(program);
    }
    if (process.exitCode() != 0) {
        const QString detail = QString::fromLocal8Bit(process.readAllStandardError()).simplified();
        QString message =
            QStringLiteral("%1 exited with status %2").arg(program).arg(process.exitCode());
        if (!detail.isEmpty()) {
            message += QStringLiteral(": ") + detail.left(300);
        }
        return message;
    }
    return std::nullopt;
}

} // namespace quillstack
