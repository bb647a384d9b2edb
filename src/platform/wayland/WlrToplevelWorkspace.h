#pragma once

#include "platform/Workspace.h"
#include "platform/wayland/WaylandWindowList.h"

#include <QHash>
#include <QString>

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;
struct wl_array;

namespace quillstack {

class WaylandConnection;

// The desktop's windows through wlr-foreign-toplevel-management: the front application is the
// toplevel in the activated state, named by its app_id (XWayland windows by their WM_CLASS);
// activating asks the compositor to activate that toplevel for the seat.
class WlrToplevelWorkspace : public Workspace {
public:
    // Binds the manager on a connection that has not started yet.
    explicit WlrToplevelWorkspace(WaylandConnection& connection);
    ~WlrToplevelWorkspace() override;

    bool isAvailable() const { return manager_ != nullptr; }

    std::optional<RunningApplication> frontmostApplication() const override;
    void activate(const RunningApplication& application) override;
    // The panel and other windows of this program carry its application name as their app_id.
    bool belongsToThisProcess(const RunningApplication& application) const override;

private:
    // What a toplevel has announced since its last done event (connection thread only).
    struct Pending {
        QString appId;
        bool activated = false;
    };

    static void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1* manager,
                           zwlr_foreign_toplevel_handle_v1* handle);
    static void onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager);
    static void onAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId);
    static void onState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state);
    static void onDone(void* data, zwlr_foreign_toplevel_handle_v1* handle);
    static void onClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle);

    WaylandConnection& connection_;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    WaylandWindowList<zwlr_foreign_toplevel_handle_v1> toplevels_;
    QHash<zwlr_foreign_toplevel_handle_v1*, Pending> pending_;
};

} // namespace quillstack
