#include "platform/wayland/WlrToplevelWorkspace.h"

#include "platform/wayland/WaylandConnection.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QGuiApplication>

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
        for (auto it = toplevels_.begin(); it != toplevels_.end(); ++it) {
            zwlr_foreign_toplevel_handle_v1_destroy(it.key());
        }
        toplevels_.clear();
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
    {
        std::lock_guard lock(self->mutex_);
        Toplevel toplevel;
        toplevel.id = self->nextId_++;
        self->toplevels_.insert(handle, toplevel);
    }
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, self);
}

void WlrToplevelWorkspace::onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    self->manager_ = nullptr;
}

void WlrToplevelWorkspace::onAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                   const char* appId) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    std::lock_guard lock(self->mutex_);
    if (auto it = self->toplevels_.find(handle); it != self->toplevels_.end()) {
        it->pendingAppId = QString::fromUtf8(appId);
    }
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
    std::lock_guard lock(self->mutex_);
    if (auto it = self->toplevels_.find(handle); it != self->toplevels_.end()) {
        it->pendingActivated = activated;
    }
}

void WlrToplevelWorkspace::onDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    std::lock_guard lock(self->mutex_);
    if (auto it = self->toplevels_.find(handle); it != self->toplevels_.end()) {
        it->appId = it->pendingAppId;
        it->activated = it->pendingActivated;
    }
}

void WlrToplevelWorkspace::onClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WlrToplevelWorkspace*>(data);
    {
        std::lock_guard lock(self->mutex_);
        self->toplevels_.remove(handle);
    }
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}

std::optional<RunningApplication> WlrToplevelWorkspace::frontmostApplication() const {
    std::lock_guard lock(mutex_);
    for (const Toplevel& toplevel : toplevels_) {
        if (toplevel.activated) {
            RunningApplication application;
            application.windowId = toplevel.id;
            if (!toplevel.appId.isEmpty()) {
                application.bundleIdentifier = toplevel.appId;
            }
            return application;
        }
    }
    return std::nullopt;
}

void WlrToplevelWorkspace::activate(const RunningApplication& application) {
    const quint64 id = application.windowId;
    connection_.post([this, id] {
        wl_seat* seat = connection_.seat();
        if (!seat) {
            return;
        }
        for (auto it = toplevels_.constBegin(); it != toplevels_.constEnd(); ++it) {
            if (it->id == id) {
                zwlr_foreign_toplevel_handle_v1_activate(it.key(), seat);
                return;
            }
        }
    });
}

bool WlrToplevelWorkspace::belongsToThisProcess(const RunningApplication& application) const {
    if (!application.bundleIdentifier) {
        return false;
    }
    const QString& appId = *application.bundleIdentifier;
    return appId.compare(QCoreApplication::applicationName(), Qt::CaseInsensitive) == 0 ||
           (!QGuiApplication::desktopFileName().isEmpty() &&
            appId.compare(QGuiApplication::desktopFileName(), Qt::CaseInsensitive) == 0);
}

} // namespace quillstack
