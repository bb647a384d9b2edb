#pragma once

#include "platform/RunningApplication.h"

#include <optional>

namespace quillstack {

// The desktop's windows as the program needs them: which application is in front, and
// bringing a remembered one back to the front.
class Workspace {
public:
    virtual ~Workspace() = default;

    // The application whose window has the keyboard focus; nothing when no window has it.
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;

    // Brings the application's window to the front and gives it the keyboard focus.
    virtual void activate(const RunningApplication& application) = 0;

    // Whether the window is one of this process's own windows (the panel, for example).
    virtual bool belongsToThisProcess(const RunningApplication& application) const = 0;
};

} // namespace quillstack
