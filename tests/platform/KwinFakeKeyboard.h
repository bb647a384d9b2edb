#pragma once

#include "platform/wayland/WaylandConnection.h"

#include "fake-input-client-protocol.h"

#include <linux/input-event-codes.h>

#include <initializer_list>
#include <memory>

namespace quillstack::test {

// Presses keys through KWin's fake input, as a user at the keyboard would (KWin grants it to a
// program whose desktop entry asks for it: with-wayland.sh --kwin installs one for the test).
class KwinFakeKeyboard {
public:
    KwinFakeKeyboard() : connection_(WaylandConnection::connect()) {
        fakeInput_ = static_cast<org_kde_kwin_fake_input*>(
            connection_->bind("org_kde_kwin_fake_input", &org_kde_kwin_fake_input_interface, 4));
        if (fakeInput_) {
            org_kde_kwin_fake_input_authenticate(fakeInput_, "test", "press the shortcut");
        }
    }
    bool isAvailable() const { return fakeInput_ != nullptr; }
    // Presses the keys (Linux key codes) in order and releases them in reverse.
    void chord(std::initializer_list<quint32> keys) {
        for (quint32 key : keys) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput_, key, 1);
        }
        for (auto key = keys.end(); key != keys.begin();) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput_, *--key, 0);
        }
        connection_->roundtrip();
    }

private:
    std::unique_ptr<WaylandConnection> connection_;
    org_kde_kwin_fake_input* fakeInput_ = nullptr;
};

} // namespace quillstack::test
