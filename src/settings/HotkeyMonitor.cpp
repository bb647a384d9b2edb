#include "settings/HotkeyMonitor.h"

#include "platform/Diagnostics.h"

namespace quillstack {

HotkeyMonitor::HotkeyMonitor(HotkeyRegistrar& registrar) : registrar_(registrar) {}

HotkeyMonitor::~HotkeyMonitor() {
    stop();
}

void HotkeyMonitor::start(const HotkeyConfig& config) {
    if (isStarted_) {
        update(config);
        return;
    }
    currentConfig_ = config;
    wanted_ = true;
    eventHandlerInstalled_ = registrar_.installHandler(
        [this](std::optional<HotkeyRegistrar::Identifier> identifier) { handlePress(identifier); });
    if (!eventHandlerInstalled_) {
        printDiagnostic(QStringLiteral("failed to install hotkey event handler."));
        return;
    }
    isStarted_ = true;
    registrar_.setAssignmentHandler(
        [this](HotkeyRegistrar::Handle handle, std::optional<QString> trigger) {
            handleAssignment(handle, std::move(trigger));
        });
    if (!registerHotKey(config)) {
        registrar_.setAssignmentHandler({});
        registrar_.removeHandler();
        eventHandlerInstalled_ = false;
        isStarted_ = false;
    }
}

bool HotkeyMonitor::update(const HotkeyConfig& config) {
    if (!isStarted_ && wanted_) {
        start(config);
        return isStarted_;
    }
    if (!isStarted_) {
        currentConfig_ = config;
        return true;
    }
    const HotkeyConfig previous = currentConfig_;
    if (hotKeyRef_) {
        registrar_.unregisterHotkey(*hotKeyRef_);
        hotKeyRef_.reset();
    }
    if (registerHotKey(config)) {
        currentConfig_ = config;
        return true;
    }
    printDiagnostic(QStringLiteral("reverting to previous hotkey ") + previous.displayString() +
                    QLatin1Char('.'));
    registerHotKey(previous);
    currentConfig_ = previous;
    return false;
}

void HotkeyMonitor::stop() {
    if (hotKeyRef_) {
        registrar_.unregisterHotkey(*hotKeyRef_);
        hotKeyRef_.reset();
    }
    if (eventHandlerInstalled_) {
        registrar_.setAssignmentHandler({});
        registrar_.removeHandler();
        eventHandlerInstalled_ = false;
    }
    setAssignedTrigger(std::nullopt);
    isStarted_ = false;
    wanted_ = false;
}

bool HotkeyMonitor::registerHotKey(const HotkeyConfig& config) {
    setAssignedTrigger(std::nullopt);
    hotKeyRef_ = registrar_.registerHotkey(config.key.carbonKeyCode(),
                                           config.modifiers.carbonFlags(), {signature, hotkeyId});
    if (hotKeyRef_) {
        return true;
    }
    printDiagnostic(QStringLiteral("failed to register hotkey ") + config.displayString() +
                    QLatin1Char('.'));
    return false;
}

void HotkeyMonitor::handlePress(std::optional<HotkeyRegistrar::Identifier> identifier) {
    if (!identifier || identifier->id != hotkeyId || !onTrigger_) {
        return;
    }
    const std::function<void()> onTrigger = onTrigger_; // onTrigger may replace itself
    onTrigger();
}

void HotkeyMonitor::handleAssignment(HotkeyRegistrar::Handle handle,
                                     std::optional<QString> trigger) {
    if (hotKeyRef_ == handle) {
        setAssignedTrigger(std::move(trigger));
    }
}

void HotkeyMonitor::setAssignedTrigger(std::optional<QString> trigger) {
    if (assignedTrigger_ == trigger) {
        return;
    }
    assignedTrigger_ = std::move(trigger);
    if (onAssignedTriggerChanged_) {
        onAssignedTriggerChanged_();
    }
}

} // namespace quillstack
