#include "platform/x11/X11HotkeyRegistrar.h"

#include "platform/HotkeyKeys.h"
#include "platform/x11/XcbReply.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <array>
#include <cstdlib>
#include <memory>

namespace quillstack {

namespace {

using KeySymbols = std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)>;

constexpr quint32 numLockKeysym = 0xff7f;

// The keysym of a letter key (a lower-case Latin letter's keysym is its ASCII code).
std::optional<quint32> keysymForKeyCode(quint32 keyCode) {
    if (const std::optional<char> letter = letterForKeyCode(keyCode)) {
        return static_cast<quint32>(*letter);
    }
    return std::nullopt;
}

struct ModifierBit {
    quint32 flag;
    quint16 mask;
};
constexpr std::array<ModifierBit, 4> modifierBits{{
    {0x0100, XCB_MOD_MASK_4},       // Command: Super
    {0x0200, XCB_MOD_MASK_SHIFT},   // Shift
    {0x0800, XCB_MOD_MASK_1},       // Option: Alt
    {0x1000, XCB_MOD_MASK_CONTROL}, // Control
}};

std::optional<quint16> x11Modifiers(quint32 modifierFlags) {
    quint16 mask = 0;
    quint32 known = 0;
    for (const ModifierBit& bit : modifierBits) {
        known |= bit.flag;
        if (modifierFlags & bit.flag) {
            mask |= bit.mask;
        }
    }
    if (modifierFlags & ~known) {
        return std::nullopt;
    }
    return mask;
}

constexpr quint16 modifierKeysMask = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL |
                                     XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_3 |
                                     XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

xcb_window_t defaultRoot(xcb_connection_t* connection) {
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen)) {
        screen = 0;
    }
    std::free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    xcb_window_t root = it.data ? it.data->root : xcb_window_t{XCB_WINDOW_NONE};
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i) {
        if (i == screen) {
            root = it.data->root;
            break;
        }
    }
    return root;
}

} // namespace

X11HotkeyRegistrar::X11HotkeyRegistrar() {
    if (const auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        connection_ = x11->connection();
    }
    if (connection_) {
        root_ = defaultRoot(connection_);
    }
}

X11HotkeyRegistrar::~X11HotkeyRegistrar() {
    for (const auto& entry : grabs_) {
        ungrab(entry.second);
    }
    removeHandler();
}

bool X11HotkeyRegistrar::installHandler(PressHandler handler) {
    if (!connection_ || !QCoreApplication::instance()) {
        return false;
    }
    handler_ = std::move(handler);
    if (!filterInstalled_) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    return true;
}

void X11HotkeyRegistrar::removeHandler() {
    handler_ = nullptr;
    if (filterInstalled_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    filterInstalled_ = false;
}

std::optional<HotkeyRegistrar::Handle>
X11HotkeyRegistrar::registerHotkey(quint32 keyCode, quint32 modifierFlags, Identifier identifier) {
    const std::optional<quint32> keysym = keysymForKeyCode(keyCode);
    const std::optional<quint16> modifiers = x11Modifiers(modifierFlags);
    if (!connection_ || !keysym || !modifiers) {
        return std::nullopt;
    }
    Grab grab;
    grab.keycodes = keycodesForKeysym(*keysym);
    grab.modifiers = *modifiers;
    grab.identifier = identifier;
    if (grab.keycodes.isEmpty()) {
        return std::nullopt;
    }
    const quint16 numLock = numLockMask();
    grab.lockVariants = {0, XCB_MOD_MASK_LOCK};
    if (numLock != 0 && (numLock & (*modifiers | XCB_MOD_MASK_LOCK)) == 0) {
        grab.lockVariants.append({numLock, static_cast<quint16>(numLock | XCB_MOD_MASK_LOCK)});
    }

    // All grabs go out before any answer is awaited; a single refusal undoes the whole set.
    QList<xcb_void_cookie_t> cookies;
    for (const quint8 keycode : grab.keycodes) {
        for (const quint16 variant : grab.lockVariants) {
            cookies.append(xcb_grab_key_checked(connection_, 0, root_, grab.modifiers | variant,
                                                keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    bool refused = false;
    for (const xcb_void_cookie_t cookie : cookies) {
        if (XcbReply<xcb_generic_error_t> error{xcb_request_check(connection_, cookie)}) {
            refused = true;
        }
    }
    if (refused) {
        ungrab(grab);
        return std::nullopt;
    }
    const Handle handle = nextHandle_++;
    grabs_.emplace(handle, std::move(grab));
    return handle;
}

void X11HotkeyRegistrar::unregisterHotkey(Handle handle) {
    const auto it = grabs_.find(handle);
    if (it == grabs_.end()) {
        return;
    }
    ungrab(it->second);
    grabs_.erase(it);
}

void X11HotkeyRegistrar::ungrab(const Grab& grab) {
    // Releases only this client's grabs; a combination held by another client stays untouched.
    for (const quint8 keycode : grab.keycodes) {
        for (const quint16 variant : grab.lockVariants) {
            xcb_ungrab_key(connection_, keycode, root_, grab.modifiers | variant);
        }
    }
    xcb_flush(connection_);
}

QList<quint8> X11HotkeyRegistrar::keycodesForKeysym(quint32 keysym) const {
    QList<quint8> result;
    KeySymbols symbols(xcb_key_symbols_alloc(connection_), &xcb_key_symbols_free);
    if (!symbols) {
        return result;
    }
    XcbReply<xcb_keycode_t> codes{xcb_key_symbols_get_keycode(symbols.get(), keysym)};
    for (const xcb_keycode_t* code = codes.get(); code && *code != XCB_NO_SYMBOL; ++code) {
        if (!result.contains(*code)) {
            result.append(*code);
        }
    }
    return result;
}

quint16 X11HotkeyRegistrar::numLockMask() const {
    const QList<quint8> numLockCodes = keycodesForKeysym(numLockKeysym);
    XcbReply<xcb_get_modifier_mapping_reply_t> mapping{xcb_get_modifier_mapping_reply(
        connection_, xcb_get_modifier_mapping(connection_), nullptr)};
    if (!mapping || numLockCodes.isEmpty()) {
        return 0;
    }
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    quint16 mask = 0;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (numLockCodes.contains(codes[modifier * perModifier + i])) {
                mask |= static_cast<quint16>(1u << modifier);
            }
        }
    }
    return mask;
}

bool X11HotkeyRegistrar::nativeEventFilter(const QByteArray& eventType, void* message,
                                           qintptr* /*result*/) {
    if (!handler_ || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    // Key releases share the layout of key presses.
    const auto* keyEvent = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (keyEvent->event != root_) {
        return false;
    }
    if (type == XCB_KEY_RELEASE) {
        if (keyEvent->detail == lastKey_.keycode) {
            lastKey_.down = false;
            lastKey_.time = keyEvent->time;
        }
        return false;
    }
    const bool repeat = isAutoRepeat(keyEvent->detail, keyEvent->time);
    lastKey_ = {keyEvent->detail, true, keyEvent->time};

    const quint16 state = keyEvent->state & modifierKeysMask;
    for (const auto& [handle, grab] : grabs_) {
        if (!grab.keycodes.contains(keyEvent->detail)) {
            continue;
        }
        for (const quint16 variant : grab.lockVariants) {
            if (state == (grab.modifiers | variant)) {
                if (!repeat) {
                    const PressHandler handler = handler_; // the handler may replace itself
                    handler(grab.identifier);
                }
                return true;
            }
        }
    }
    return false;
}

bool X11HotkeyRegistrar::isAutoRepeat(quint8 keycode, quint32 time) const {
    if (keycode != lastKey_.keycode) {
        return false;
    }
    // With detectable auto-repeat (Qt asks for it) a held key sends presses without releases;
    // without it, each repeat is a release and a press with the same time stamp. A key still
    // seen as down after a long pause is taken as a new press, in case its release was missed.
    constexpr quint32 longestRepeatGap = 1000; // milliseconds
    return lastKey_.down ? time - lastKey_.time < longestRepeatGap : time == lastKey_.time;
}

} // namespace quillstack
