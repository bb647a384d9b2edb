#include "platform/x11/X11FallbackKeystroke.h"

#include <QProcess>

namespace quillstack {

namespace {

constexpr int startTimeoutMs = 2000;
constexpr int finishTimeoutMs = 3000;

} // namespace

X11FallbackKeystroke::X11FallbackKeystroke(QString program) : program_(std::move(program)) {}

QStringList X11FallbackKeystroke::arguments(PasteChord chord) {
    return {QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
            chord == PasteChord::controlShiftV ? QStringLiteral("ctrl+shift+v")
                                               : QStringLiteral("ctrl+v")};
}

std::optional<QString> X11FallbackKeystroke::run(PasteChord chord) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program_, arguments(chord));
    if (!process.waitForStarted(startTimeoutMs)) {
        return QStringLiteral("%1 could not be started: %2").arg(program_, process.errorString());
    }
    if (!process.waitForFinished(finishTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return QStringLiteral("%1 did not finish within %2 ms").arg(program_).arg(finishTimeoutMs);
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        return QStringLiteral("%1 crashed").arg(program_);
    }
    if (process.exitCode() != 0) {
        const QString detail = QString::fromLocal8Bit(process.readAllStandardError()).simplified();
        QString message =
            QStringLiteral("%1 exited with status %2").arg(program_).arg(process.exitCode());
        if (!detail.isEmpty()) {
            message += QStringLiteral(": ") + detail.left(300);
        }
        return message;
    }
    return std::nullopt;
}

} // namespace quillstack
