#include "platform/wayland/WlrToplevelWorkspace.h"

#include "platform/wayland/WaylandConnection.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace quillstack {

namespace {

constexpr quint32 managerVersion = 3;

} // namespace

WlrToplevelWorkspace::WlrToplevelWorkspace(WaylandConnection& connection)
    : connection_(connection) {
    manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        connection.bind("zwlr_foreign_toplevel_manager_v1",
                        &zwlr_foreign_toplevel_manager_v1_interface, managerVersion));
    if (!manager_) {
        return;
    }
    static const zwlr_foreign_toplevel_manager_v1_listener listener = {
        .toplevel = &WlrToplevelWorkspace::onToplevel,
        .finished = &WlrToplevelWorkspace::onFinished,
    };
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &listener, this);
}

WlrToplevelWorkspace::~WlrToplevelWorkspace() {
    connection_.run([this] {
        for (zwlr_foreign_toplevel_handle_v1* handle : toplevels_.takeAll()) {
            zwlr_foreign_toplevel_handle_v1_destroy(handle);
        }
        pending_.clear();
        if (manager_) {
            zwlr_foreign_toplevel_manager_v1_destroy(manager_);
            manager_ = nullptr;
        }
    });
}

void WlrToplevelWorkspace::onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                      zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    static const zwlr_foreign_toplevel_handle_v1_listener listener = {
        .title = [](void*, zwlr_foreign_toplevel_handle_v1*, const char*) {},
        .app_id = &WlrToplevelWorkspace::onAppId,
        .output_enter = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        .output_leave = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        .state = &WlrToplevelWorkspace::onState,
        .done = &WlrToplevelWorkspace::onDone,
        .closed = &WlrToplevelWorkspace::onClosed,
        .parent = [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
    };
    self->toplevels_.add(handle);
    self->pending_.insert(handle, {});
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, self);
}

void WlrToplevelWorkspace::onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    self->manager_ = nullptr;
}

void WlrToplevelWorkspace::onAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                   const char* appId) {
    static_cast<WlrToplevelWorkspace*>(data)->pending_[handle].appId = QString::fromUtf8(appId);
}

void WlrToplevelWorkspace::onState(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                   wl_array* state) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    bool activated = false;
    const auto* values = static_cast<const uint32_t*>(state->data);
    for (size_t i = 0; i < state->size / sizeof(uint32_t); ++i) {
        if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) {
            activated = true;
        }
    }
    self->pending_[handle].activated = activated;
}

void WlrToplevelWorkspace::onDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    const Pending pending = self->pending_.value(handle);
    self->toplevels_.update(handle, pending.appId, pending.activated);
}

void WlrToplevelWorkspace::onClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    self->toplevels_.remove(handle);
    self->pending_.remove(handle);
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}

std::optional<RunningApplication> WlrToplevelWorkspace::frontmostApplication() const {
    return toplevels_.frontmost();
}

void WlrToplevelWorkspace::activate(const RunningApplication& application) {
    const quint64 id = application.windowId;
    connection_.post([this, id] {
        wl_seat* seat = connection_.seat();
        if (auto* handle = toplevels_.handle(id); handle && seat) {
            zwlr_foreign_toplevel_handle_v1_activate(handle, seat);
        }
    });
}

bool WlrToplevelWorkspace::belongsToThisProcess(const RunningApplication& application) const {
    return WaylandWindowList<zwlr_foreign_toplevel_handle_v1>::belongsToThisProcess(application);
}

} // namespace quillstack
