#pragma once

#include "platform/HotkeyRegistrar.h"

#include <QList>
#include <QPair>
#include <QSet>

#include <map>

namespace quillstack {

// Hot keys for tests: holds registrations in memory, refuses chosen combinations and delivers
// simulated presses.
class MemoryHotkeyRegistrar : public HotkeyRegistrar {
public:
    struct Registration {
        quint32 keyCode = 0;
        quint32 modifierFlags = 0;
        Identifier identifier;
    };

    bool installHandler(PressHandler handler) override;
    void removeHandler() override;
    std::optional<Handle> registerHotkey(quint32 keyCode, quint32 modifierFlags,
                                         Identifier identifier) override;
    void unregisterHotkey(Handle handle) override;
    void setAssignmentHandler(AssignmentHandler handler) override {
        assignmentHandler_ = std::move(handler);
    }

    // The desktop reporting the trigger it assigned to a registration; false when no one
    // listens.
    bool assign(Handle handle, std::optional<QString> trigger) {
        if (!assignmentHandler_) {
            return false;
        }
        assignmentHandler_(handle, std::move(trigger));
        return true;
    }

    // Refusals, as another program holding a combination would cause.
    void refuse(quint32 keyCode, quint32 modifierFlags);
    void allow(quint32 keyCode, quint32 modifierFlags);
    void setRefusesHandler(bool refuses) { refusesHandler_ = refuses; }

    // A press of the combination: reaches the handler only when the combination is registered.
    // Returns whether a handler was called.
    bool press(quint32 keyCode, quint32 modifierFlags);
    // An event with any identifier (nothing: one whose identifier cannot be read).
    bool deliver(std::optional<Identifier> identifier);

    bool isHandlerInstalled() const { return static_cast<bool>(handler_); }
    QList<Registration> registrations() const;
    int registerCallCount() const { return registerCallCount_; }
    int unregisterCallCount() const { return unregisterCallCount_; }

private:
    PressHandler handler_;
    AssignmentHandler assignmentHandler_;
    std::map<Handle, Registration> registrations_;
    QSet<QPair<quint32, quint32>> refused_;
    Handle nextHandle_ = 1;
    bool refusesHandler_ = false;
    int registerCallCount_ = 0;
    int unregisterCallCount_ = 0;
};

} // namespace quillstack
