#include "platform/wayland/WtypeFallbackKeystroke.h"

#include "platform/KeystrokeCommand.h"

namespace quillstack {

WtypeFallbackKeystroke::WtypeFallbackKeystroke(QString program) : program_(std::move(program)) {}

QStringList WtypeFallbackKeystroke::arguments(PasteChord chord) {
    if (chord == PasteChord::controlShiftV) {
        return {QStringLiteral("-M"),    QStringLiteral("ctrl"),  QStringLiteral("-M"),
                QStringLiteral("shift"), QStringLiteral("-k"),    QStringLiteral("v"),
                QStringLiteral("-m"),    QStringLiteral("shift"), QStringLiteral("-m"),
                QStringLiteral("ctrl")};
    }
    return {QStringLiteral("-M"), QStringLiteral("ctrl"), QStringLiteral("-k"),
            QStringLiteral("v"),  QStringLiteral("-m"),   QStringLiteral("ctrl")};
}

std::optional<QString> WtypeFallbackKeystroke::run(PasteChord chord) {
    return runKeystrokeCommand(program_, arguments(chord));
}

} // namespace quillstack
