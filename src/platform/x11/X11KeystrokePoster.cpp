#include "platform/x11/X11KeystrokePoster.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/XcbReply.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <QList>

#include <cstdlib>

namespace quillstack {

namespace {

constexpr xcb_keysym_t keysymV = 0x0076;       // XK_v
constexpr xcb_keysym_t keysymControl = 0xffe3; // XK_Control_L
constexpr xcb_keysym_t keysymShift = 0xffe1;   // XK_Shift_L

bool hasXTest(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, &xcb_test_id);
    return data && data->present;
}

xcb_keycode_t keycodeFor(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes ? codes[0] : xcb_keycode_t(XCB_NO_SYMBOL);
    std::free(codes);
    return code;
}

void fakeKey(X11Connection& x, uint8_t type, xcb_keycode_t code) {
    xcb_test_fake_input(x.get(), type, code, XCB_CURRENT_TIME, x.root(), 0, 0, 0);
}

// Releases every modifier key that is down now (the user may still hold the Shift of the
// shortcut, which would turn Control+V into Control+Shift+V).
void releaseHeldModifiers(X11Connection& x) {
    xcb_connection_t* c = x.get();
    const XcbReply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr));
    const XcbReply<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (keymap && modifiers) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
        const int count = xcb_get_modifier_mapping_keycodes_length(modifiers.get());
        QList<xcb_keycode_t> released;
        for (int i = 0; i < count; ++i) {
            const xcb_keycode_t code = codes[i];
            const bool down = keymap->keys[code / 8] & (1 << (code % 8));
            if (code != 0 && down && !released.contains(code)) {
                fakeKey(x, XCB_KEY_RELEASE, code);
                released.append(code);
            }
        }
    }
}

} // namespace

X11KeystrokePoster::X11KeystrokePoster() : primary_(X11Connection::open()) {}

X11KeystrokePoster::~X11KeystrokePoster() = default;

X11Connection* X11KeystrokePoster::connectionFor(Source source) const {
    X11Connection* x = source == Source::primary ? primary_.get() : fallback_.get();
    return x && !x->hasError() && hasXTest(x->get()) ? x : nullptr;
}

bool X11KeystrokePoster::openSource(Source source) {
    if (source == Source::fallback && (!fallback_ || fallback_->hasError())) {
        fallback_ = X11Connection::open();
    }
    return connectionFor(source) != nullptr;
}

bool X11KeystrokePoster::post(Source source, PasteChord chord, Phase phase) {
    X11Connection* x = connectionFor(source);
    if (!x) {
        return false;
    }
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(x->get());
    if (!symbols) {
        return false;
    }
    const bool withShift = chord == PasteChord::controlShiftV;
    const xcb_keycode_t v = keycodeFor(symbols, keysymV);
    const xcb_keycode_t control = keycodeFor(symbols, keysymControl);
    const xcb_keycode_t shift =
        withShift ? keycodeFor(symbols, keysymShift) : xcb_keycode_t(XCB_NO_SYMBOL);
    xcb_key_symbols_free(symbols);
    if (v == XCB_NO_SYMBOL || control == XCB_NO_SYMBOL || (withShift && shift == XCB_NO_SYMBOL)) {
        return false;
    }

    if (phase == Phase::keyDown) {
        releaseHeldModifiers(*x);
        fakeKey(*x, XCB_KEY_PRESS, control);
        if (withShift) {
            fakeKey(*x, XCB_KEY_PRESS, shift);
        }
        fakeKey(*x, XCB_KEY_PRESS, v);
    } else {
        fakeKey(*x, XCB_KEY_RELEASE, v);
        if (withShift) {
            fakeKey(*x, XCB_KEY_RELEASE, shift);
        }
        fakeKey(*x, XCB_KEY_RELEASE, control);
    }
    x->sync();
    return true;
}

} // namespace quillstack
