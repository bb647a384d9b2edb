#pragma once

namespace quillstack {

// Whether a compositing manager runs on the display: on X11 the owner of the selection
// _NET_WM_CM_S<n> for the default screen n. Only then can a window be translucent and fade.
// False on every platform that is not X11.
class CompositingManager {
public:
    CompositingManager() = delete;

    static bool isRunning();
};

} // namespace quillstack
