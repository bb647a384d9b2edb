#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace quillstack {

// System-wide keyboard shortcuts. A combination is named by a US-ANSI virtual key code and a mask
// of the modifier bits Command 0x0100, Shift 0x0200, Option 0x0800 and Control 0x1000; each
// backend maps these to its own keys and modifiers. Every press of a registered combination is
// delivered, with the identifier it was registered under, to the one installed handler.
class HotkeyRegistrar {
public:
    struct Identifier {
        quint32 signature = 0;
        quint32 id = 0;
        friend bool operator==(const Identifier&, const Identifier&) = default;
    };
    using Handle = quint64;
    // Called on the GUI thread for each press; nothing when the press's identifier is unknown.
    using PressHandler = std::function<void(std::optional<Identifier>)>;
    // Called on the GUI thread with the desktop's own name for the trigger it assigned to a
    // registration (nothing when it names none): when the registration completes, which may be
    // after registerHotkey returned, and whenever the user changes it in the desktop's settings.
    using AssignmentHandler = std::function<void(Handle, std::optional<QString> trigger)>;

    virtual ~HotkeyRegistrar() = default;

    // Installs the handler that receives presses, replacing any earlier one. False when the desktop
    // offers no way to receive them.
    virtual bool installHandler(PressHandler handler) = 0;
    virtual void removeHandler() = 0;

    // Takes the combination system-wide. Nothing when the system refuses it (for example because
    // another program holds it); a refusal leaves nothing registered.
    virtual std::optional<Handle> registerHotkey(quint32 keyCode, quint32 modifierFlags,
                                                 Identifier identifier) = 0;
    virtual void unregisterHotkey(Handle handle) = 0;

    // Where the desktop decides the trigger itself (the GlobalShortcuts portal), the handler
    // hears what it decided. Backends that take the combination as asked (X11) never call it.
    virtual void setAssignmentHandler(AssignmentHandler handler) { (void)handler; }
};

} // namespace quillstack
