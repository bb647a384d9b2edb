#pragma once

#include "platform/PasteChord.h"

namespace quillstack {

// Posts the synthetic paste keystroke to the window that has the keyboard focus.
//
// Posting goes through an event source: the primary one, or the fallback one when the primary
// cannot be had. Each half of the keystroke is an event that may fail to be made (for example
// when the keyboard map has no key for V); a half that cannot be made is not posted.
class KeystrokePoster {
public:
    enum class Source { primary, fallback };
    enum class Phase { keyDown, keyUp };

    virtual ~KeystrokePoster() = default;

    // Makes the given source ready; false when it cannot be had.
    virtual bool openSource(Source source) = 0;

    // Makes and posts one half of the chord from a source opened before: the key-down presses
    // the chord's modifiers and then V (after releasing any modifier the user still holds), the
    // key-up releases V and then the modifiers. False when the event could not be made; nothing
    // is posted then.
    virtual bool post(Source source, PasteChord chord, Phase phase) = 0;
};

} // namespace quillstack
