#pragma once

#include "platform/Workspace.h"
#include "platform/wayland/WaylandWindowList.h"

#include <QHash>
#include <QString>

#include <mutex>

struct org_kde_plasma_window_management;
struct org_kde_plasma_window;

namespace quillstack {

class WaylandConnection;

// KWin's windows through org_kde_plasma_window_management, which KWin offers only to a program
// whose installed desktop entry asks for it: the front application is the window in the active
// state, named by its app_id; activating sets a window's active state. A window's id is a number
// this object gives each window.
class PlasmaWindowWorkspace : public Workspace {
public:
    // Binds the manager on a connection that has not started yet.
    explicit PlasmaWindowWorkspace(WaylandConnection& connection);
    ~PlasmaWindowWorkspace() override;

    bool isAvailable() const { return manager_ != nullptr; }

    std::optional<RunningApplication> frontmostApplication() const override;
    void activate(const RunningApplication& application) override;
    bool belongsToThisProcess(const RunningApplication& application) const override;

private:
    void track(org_kde_plasma_window* window);
    static void onWindow(void* data, org_kde_plasma_window_management* manager, uint32_t id);
    static void onWindowWithUuid(void* data, org_kde_plasma_window_management* manager, uint32_t id,
                                 const char* uuid);
    static void onAppId(void* data, org_kde_plasma_window* window, const char* appId);
    static void onState(void* data, org_kde_plasma_window* window, uint32_t flags);
    static void onUnmapped(void* data, org_kde_plasma_window* window);

    WaylandConnection& connection_;
    org_kde_plasma_window_management* manager_ = nullptr;
    WaylandWindowList<org_kde_plasma_window> windows_;
};

} // namespace quillstack
