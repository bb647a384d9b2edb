#pragma once

#include "platform/KeystrokePoster.h"

#include <QtGlobal>

struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace quillstack {

class WaylandConnection;

// Posts the paste chord through a virtual keyboard (zwp_virtual_keyboard_v1) made once at start
// and kept: on a headless seat it is the only keyboard, and destroying it would take the focus
// away. The keyboard has a US keymap and modifier state of its own, so modifiers the user still
// holds on a real keyboard do not mix into the chord. There is one source; the fallback source
// is never available.
class VirtualKeyboardPoster : public KeystrokePoster {
public:
    // Makes the keyboard on a connection that has not started yet.
    explicit VirtualKeyboardPoster(WaylandConnection& connection);
    ~VirtualKeyboardPoster() override;

    bool isAvailable() const { return keyboard_ != nullptr; }

    bool openSource(Source source) override;
    bool post(Source source, PasteChord chord, Phase phase) override;

private:
    bool uploadKeymap();

    WaylandConnection& connection_;
    zwp_virtual_keyboard_manager_v1* manager_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    quint32 controlMask_ = 0;
    quint32 shiftMask_ = 0;
};

} // namespace quillstack
