#pragma once

#include "platform/FallbackKeystroke.h"

#include <QStringList>

namespace quillstack {

// Types the paste chord with wtype (its own virtual keyboard, so keys the user still holds do
// not mix in), waiting for it to finish.
class WtypeFallbackKeystroke : public FallbackKeystroke {
public:
    explicit WtypeFallbackKeystroke(QString program = QStringLiteral("wtype"));

    static QStringList arguments(PasteChord chord);

    bool canBuild(PasteChord) const override { return !program_.isEmpty(); }
    std::optional<QString> run(PasteChord chord) override;

private:
    QString program_;
};

} // namespace quillstack
