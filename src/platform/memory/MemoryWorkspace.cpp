#include "platform/memory/MemoryWorkspace.h"

namespace quillstack {

void MemoryWorkspace::activate(const RunningApplication& application) {
    activations_.append(application);
    frontmost_ = application;
}

bool MemoryWorkspace::belongsToThisProcess(const RunningApplication& application) const {
    return ownWindows_.contains(application.windowId);
}

void MemoryWorkspace::setFrontmostApplication(std::optional<RunningApplication> application) {
    frontmost_ = std::move(application);
}

void MemoryWorkspace::setOwnWindows(QList<quint64> windowIds) {
    ownWindows_ = std::move(windowIds);
}

} // namespace quillstack
