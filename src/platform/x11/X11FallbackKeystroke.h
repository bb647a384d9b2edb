#pragma once

#include "platform/FallbackKeystroke.h"

#include <QStringList>

namespace quillstack {

// Types the paste chord with `xdotool key --clearmodifiers`, waiting for it to finish.
class X11FallbackKeystroke : public FallbackKeystroke {
public:
    // The program run; tests may point it elsewhere.
    explicit X11FallbackKeystroke(QString program = QStringLiteral("xdotool"));

    // The arguments given to the program for a chord.
    static QStringList arguments(PasteChord chord);

    bool canBuild(PasteChord) const override { return !program_.isEmpty(); }
    // Fails when the program cannot be started, crashes, exits with a non-zero status or takes
    // longer than a few seconds (it is stopped then).
    std::optional<QString> run(PasteChord chord) override;

private:
    QString program_;
};

} // namespace quillstack
