#include "platform/wayland/FakeInputPoster.h"

#include "platform/wayland/WaylandConnection.h"

#include "fake-input-client-protocol.h"

#include <linux/input-event-codes.h>

namespace quillstack {

namespace {

constexpr quint32 keyboardVersion = 4;

} // namespace

FakeInputPoster::FakeInputPoster(WaylandConnection& connection) : connection_(connection) {
    fakeInput_ = static_cast<org_kde_kwin_fake_input*>(connection.bind(
        "org_kde_kwin_fake_input", &org_kde_kwin_fake_input_interface, keyboardVersion));
    if (!fakeInput_) {
        return;
    }
    if (org_kde_kwin_fake_input_get_version(fakeInput_) < keyboardVersion) {
        org_kde_kwin_fake_input_destroy(fakeInput_);
        fakeInput_ = nullptr;
        return;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput_, "Quillstack",
                                         "Paste the chosen clipboard entry");
}

FakeInputPoster::~FakeInputPoster() {
    connection_.run([this] {
        if (fakeInput_) {
            org_kde_kwin_fake_input_destroy(fakeInput_);
            fakeInput_ = nullptr;
        }
    });
}

bool FakeInputPoster::openSource(Source source) {
    return source == Source::primary && fakeInput_ && connection_.isAlive();
}

bool FakeInputPoster::post(Source source, PasteChord chord, Phase phase) {
    if (!openSource(source)) {
        return false;
    }
    const bool shift = chord == PasteChord::controlShiftV;
    connection_.post([this, shift, phase] {
        const auto key = [this](quint32 code, wl_keyboard_key_state state) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput_, code, state);
        };
        if (phase == Phase::keyDown) {
            key(KEY_LEFTCTRL, WL_KEYBOARD_KEY_STATE_PRESSED);
            if (shift) {
                key(KEY_LEFTSHIFT, WL_KEYBOARD_KEY_STATE_PRESSED);
            }
            key(KEY_V, WL_KEYBOARD_KEY_STATE_PRESSED);
        } else {
            key(KEY_V, WL_KEYBOARD_KEY_STATE_RELEASED);
            if (shift) {
                key(KEY_LEFTSHIFT, WL_KEYBOARD_KEY_STATE_RELEASED);
            }
            key(KEY_LEFTCTRL, WL_KEYBOARD_KEY_STATE_RELEASED);
        }
    });
    return true;
}

} // namespace quillstack
