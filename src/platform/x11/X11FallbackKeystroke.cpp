#include "platform/x11/X11FallbackKeystroke.h"

#include "platform/KeystrokeCommand.h"

namespace quillstack {

X11FallbackKeystroke::X11FallbackKeystroke(QString program) : program_(std::move(program)) {}

QStringList X11FallbackKeystroke::arguments(PasteChord chord) {
    return {QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
            chord == PasteChord::controlShiftV ? QStringLiteral("ctrl+shift+v")
                                               : QStringLiteral("ctrl+v")};
}

std::optional<QString> X11FallbackKeystroke::run(PasteChord chord) {
    return runKeystrokeCommand(program_, arguments(chord));
}

} // namespace quillstack
