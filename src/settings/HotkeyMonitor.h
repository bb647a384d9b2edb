#pragma once

#include "platform/HotkeyRegistrar.h"
#include "settings/HotkeyConfig.h"

#include <functional>
#include <optional>

namespace quillstack {

// Makes the chosen shortcut system-wide and calls onTrigger on every press. A refused change falls
// back to the shortcut in force before; refusals are reported on standard error only.
class HotkeyMonitor {
public:
    // The identifier of the one registration: "QLSK" packed first character highest, id 1.
    static constexpr quint32 signature =
        (quint32('Q') << 24) | (quint32('L') << 16) | (quint32('S') << 8) | quint32('K');
    static constexpr quint32 hotkeyId = 1;

    explicit HotkeyMonitor(HotkeyRegistrar& registrar);
    // Stops, so that the registrar never calls into a destroyed monitor.
    ~HotkeyMonitor();
    HotkeyMonitor(const HotkeyMonitor&) = delete;
    HotkeyMonitor& operator=(const HotkeyMonitor&) = delete;

    // Installs the press handler and registers config; when already started, does what update
    // does.
    void start(const HotkeyConfig& config);
    // Moves the registration to config. True when config is now in force (or, before start,
    // recorded); false when it was refused and the previous shortcut was taken back. After a
    // start that failed, it starts again with config, so choosing a free shortcut brings the
    // hot key back without a restart.
    bool update(const HotkeyConfig& config);
    // Unregisters and removes the handler. currentConfig and onTrigger stay.
    void stop();

    const std::function<void()>& onTrigger() const { return onTrigger_; }
    void setOnTrigger(std::function<void()> onTrigger) { onTrigger_ = std::move(onTrigger); }

    // The trigger the desktop reported for the registration in force, in its own words; nothing
    // when it reported none (on X11 the combination asked for is the trigger).
    const std::optional<QString>& assignedTrigger() const { return assignedTrigger_; }
    void setOnAssignedTriggerChanged(std::function<void()> handler) {
        onAssignedTriggerChanged_ = std::move(handler);
    }

    bool isStarted() const { return isStarted_; }
    HotkeyConfig currentConfig() const { return currentConfig_; }
    bool isRegistered() const { return hotKeyRef_.has_value(); }
    // The shortcut the system holds for us now, if any.
    std::optional<HotkeyConfig> registeredConfig() const {
        return isRegistered() ? std::optional(currentConfig_) : std::nullopt;
    }

private:
    bool registerHotKey(const HotkeyConfig& config);
    void handlePress(std::optional<HotkeyRegistrar::Identifier> identifier);
    void handleAssignment(HotkeyRegistrar::Handle handle, std::optional<QString> trigger);
    void setAssignedTrigger(std::optional<QString> trigger);

    HotkeyRegistrar& registrar_;
    std::function<void()> onTrigger_;
    std::function<void()> onAssignedTriggerChanged_;
    std::optional<QString> assignedTrigger_;
    std::optional<HotkeyRegistrar::Handle> hotKeyRef_;
    bool eventHandlerInstalled_ = false;
    bool isStarted_ = false;
    // start() was called and stop() has not been since: the monitor is meant to be running.
    bool wanted_ = false;
    HotkeyConfig currentConfig_ = HotkeyConfig::defaultConfig();
};

} // namespace quillstack
