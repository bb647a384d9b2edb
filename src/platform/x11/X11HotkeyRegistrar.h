#pragma once

#include "platform/HotkeyRegistrar.h"

#include <QAbstractNativeEventFilter>
#include <QList>

#include <map>

struct xcb_connection_t;

namespace quillstack {

// System-wide shortcuts on X11: passive key grabs on the root window through the application's
// own xcb connection. Command is Super (Mod4), Option is Alt (Mod1); letters become keycodes
// through the current keyboard map. Each combination is also grabbed with CapsLock and NumLock on,
// so that the locks do not disable it. Presses reach the handler through a native event filter,
// on the GUI thread; the repeats of a held shortcut are swallowed, so one press fires once.
class X11HotkeyRegistrar : public HotkeyRegistrar, private QAbstractNativeEventFilter {
public:
    // Uses the QGuiApplication's X11 connection; without one, nothing can be installed or grabbed.
    X11HotkeyRegistrar();
    ~X11HotkeyRegistrar() override;
    X11HotkeyRegistrar(const X11HotkeyRegistrar&) = delete;
    X11HotkeyRegistrar& operator=(const X11HotkeyRegistrar&) = delete;

    bool installHandler(PressHandler handler) override;
    void removeHandler() override;
    // Refused when the key or a modifier bit has no X11 counterpart, or when the X server refuses
    // any of the grabs (BadAccess: another client holds one of them); the grabs already made for
    // the combination are then released again.
    std::optional<Handle> registerHotkey(quint32 keyCode, quint32 modifierFlags,
                                         Identifier identifier) override;
    void unregisterHotkey(Handle handle) override;

private:
    struct Grab {
        QList<quint8> keycodes;
        quint16 modifiers = 0;
        QList<quint16> lockVariants;
        Identifier identifier;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    QList<quint8> keycodesForKeysym(quint32 keysym) const;
    quint16 numLockMask() const;
    void ungrab(const Grab& grab);
    bool isAutoRepeat(quint8 keycode, quint32 time) const;

    xcb_connection_t* connection_ = nullptr;
    quint32 root_ = 0;
    PressHandler handler_;
    bool filterInstalled_ = false;
    std::map<Handle, Grab> grabs_;
    Handle nextHandle_ = 1;
    // The last grabbed key seen, to tell a held key's repeats from new presses.
    struct LastKey {
        quint8 keycode = 0;
        bool down = false;
        quint32 time = 0;
    } lastKey_;
};

} // namespace quillstack
