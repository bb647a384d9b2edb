#pragma once

#include "platform/Workspace.h"

#include <memory>

namespace quillstack {

class X11Connection;

// The X11 desktop's windows. The front application is the window named by the window
// manager's _NET_ACTIVE_WINDOW or, where no window manager runs, the top-level window that
// holds the input focus; its identifier is the class part of its WM_CLASS.
class X11Workspace : public Workspace {
public:
    // Connects to the display named by $DISPLAY; without one, nothing is ever in front.
    X11Workspace();
    ~X11Workspace() override;

    std::optional<RunningApplication> frontmostApplication() const override;
    // With a window manager: a _NET_ACTIVE_WINDOW request (as a pager would send it, with the
    // current server time); without one: raises the window and gives it the input focus.
    void activate(const RunningApplication& application) override;
    // True for this process's own top-level windows, recognised by their id or _NET_WM_PID.
    bool belongsToThisProcess(const RunningApplication& application) const override;

    // Whether an EWMH window manager runs.
    bool hasWindowManager() const;

private:
    std::unique_ptr<X11Connection> connection_;
};

} // namespace quillstack
