#include "platform/wayland/VirtualKeyboardPoster.h"

#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <ctime>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

namespace quillstack {

namespace {

// wl_keyboard's keymap format.
constexpr quint32 xkbV1Format = 1;

quint32 nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return quint32(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

} // namespace

VirtualKeyboardPoster::VirtualKeyboardPoster(WaylandConnection& connection)
    : connection_(connection) {
    if (!connection.seat()) {
        return;
    }
    manager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(connection.bind(
        "zwp_virtual_keyboard_manager_v1", &zwp_virtual_keyboard_manager_v1_interface, 1));
    if (!manager_) {
        return;
    }
    keyboard_ =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager_, connection.seat());
    if (!uploadKeymap()) {
        zwp_virtual_keyboard_v1_destroy(keyboard_);
        keyboard_ = nullptr;
    }
}

VirtualKeyboardPoster::~VirtualKeyboardPoster() {
    connection_.run([this] {
        if (keyboard_) {
            zwp_virtual_keyboard_v1_destroy(keyboard_);
            keyboard_ = nullptr;
        }
        if (manager_) {
            zwp_virtual_keyboard_manager_v1_destroy(manager_);
            manager_ = nullptr;
        }
    });
}

bool VirtualKeyboardPoster::uploadKeymap() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) {
        return false;
    }
    const xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    bool uploaded = false;
    if (keymap) {
        controlMask_ = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CTRL);
        shiftMask_ = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
        char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        if (text) {
            const size_t size = std::strlen(text) + 1;
            const int fd = memfd_create("quillstack-keymap", MFD_CLOEXEC);
            if (fd >= 0 && ::write(fd, text, size) == ssize_t(size)) {
                zwp_virtual_keyboard_v1_keymap(keyboard_, xkbV1Format, fd, quint32(size));
                uploaded = true;
            }
            if (fd >= 0) {
                ::close(fd);
            }
            std::free(text);
        }
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return uploaded;
}

bool VirtualKeyboardPoster::openSource(Source source) {
    return source == Source::primary && keyboard_ && connection_.isAlive();
}

bool VirtualKeyboardPoster::post(Source source, PasteChord chord, Phase phase) {
    if (!openSource(source)) {
        return false;
    }
    const bool shift = chord == PasteChord::controlShiftV;
    const quint32 chordMask = controlMask_ | (shift ? shiftMask_ : 0);
    connection_.post([this, shift, chordMask, phase] {
        const quint32 time = nowMs();
        const auto key = [this, time](quint32 code, wl_keyboard_key_state state) {
            zwp_virtual_keyboard_v1_key(keyboard_, time, code, state);
        };
        if (phase == Phase::keyDown) {
            key(KEY_LEFTCTRL, WL_KEYBOARD_KEY_STATE_PRESSED);
            if (shift) {
                key(KEY_LEFTSHIFT, WL_KEYBOARD_KEY_STATE_PRESSED);
            }
            zwp_virtual_keyboard_v1_modifiers(keyboard_, chordMask, 0, 0, 0);
            key(KEY_V, WL_KEYBOARD_KEY_STATE_PRESSED);
        } else {
            key(KEY_V, WL_KEYBOARD_KEY_STATE_RELEASED);
            if (shift) {
                key(KEY_LEFTSHIFT, WL_KEYBOARD_KEY_STATE_RELEASED);
            }
            key(KEY_LEFTCTRL, WL_KEYBOARD_KEY_STATE_RELEASED);
            zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
        }
    });
    return true;
}

} // namespace quillstack
