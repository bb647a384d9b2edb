#pragma once

#include <QString>

#include <optional>

namespace quillstack {

// An application window on the desktop: the window that would receive typed keys, and the
// identifier of the application it belongs to (on X11 the class part of WM_CLASS).
struct RunningApplication {
    quint64 windowId = 0;
    std::optional<QString> bundleIdentifier;

    bool operator==(const RunningApplication&) const = default;
};

} // namespace quillstack
