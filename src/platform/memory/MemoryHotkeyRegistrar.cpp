#include "platform/memory/MemoryHotkeyRegistrar.h"

namespace quillstack {

bool MemoryHotkeyRegistrar::installHandler(PressHandler handler) {
    if (refusesHandler_) {
        return false;
    }
    handler_ = std::move(handler);
    return true;
}

void MemoryHotkeyRegistrar::removeHandler() {
    handler_ = nullptr;
}

std::optional<HotkeyRegistrar::Handle>
MemoryHotkeyRegistrar::registerHotkey(quint32 keyCode, quint32 modifierFlags,
                                      Identifier identifier) {
    ++registerCallCount_;
    if (refused_.contains({keyCode, modifierFlags})) {
        return std::nullopt;
    }
    for (const auto& [handle, registration] : registrations_) {
        if (registration.keyCode == keyCode && registration.modifierFlags == modifierFlags) {
            return std::nullopt; // already held, as a second registration would be refused
        }
    }
    const Handle handle = nextHandle_++;
    registrations_[handle] = Registration{keyCode, modifierFlags, identifier};
    return handle;
}

void MemoryHotkeyRegistrar::unregisterHotkey(Handle handle) {
    ++unregisterCallCount_;
    registrations_.erase(handle);
}

void MemoryHotkeyRegistrar::refuse(quint32 keyCode, quint32 modifierFlags) {
    refused_.insert({keyCode, modifierFlags});
}

void MemoryHotkeyRegistrar::allow(quint32 keyCode, quint32 modifierFlags) {
    refused_.remove({keyCode, modifierFlags});
}

bool MemoryHotkeyRegistrar::press(quint32 keyCode, quint32 modifierFlags) {
    for (const auto& [handle, registration] : registrations_) {
        if (registration.keyCode == keyCode && registration.modifierFlags == modifierFlags) {
            return deliver(registration.identifier);
        }
    }
    return false;
}

bool MemoryHotkeyRegistrar::deliver(std::optional<Identifier> identifier) {
    if (!handler_) {
        return false;
    }
    const PressHandler handler = handler_; // the handler may replace itself
    handler(identifier);
    return true;
}

QList<MemoryHotkeyRegistrar::Registration> MemoryHotkeyRegistrar::registrations() const {
    QList<Registration> result;
    for (const auto& [handle, registration] : registrations_) {
        result.append(registration);
    }
    return result;
}

} // namespace quillstack
