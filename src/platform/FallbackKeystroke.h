#pragma once

#include "platform/PasteChord.h"

#include <QString>

#include <optional>

namespace quillstack {

// A keystroke-typing service used when synthetic key events may not be posted directly.
class FallbackKeystroke {
public:
    virtual ~FallbackKeystroke() = default;

    // Whether the keystroke command can be put together at all. When it cannot, nothing runs
    // and nothing counts as a failure.
    virtual bool canBuild(PasteChord chord) const = 0;

    // Types the chord into the focused window and waits for it to finish (a bounded time).
    // Nothing on success; the description of the failure otherwise.
    virtual std::optional<QString> run(PasteChord chord) = 0;
};

} // namespace quillstack
