#include "platform/wayland/PlasmaWindowWorkspace.h"

#include "platform/wayland/ListenerStubs.h"
#include "platform/wayland/WaylandConnection.h"

#include "plasma-window-management-client-protocol.h"

namespace quillstack {

namespace {

// Windows are announced with a UUID from this version on; the numeric id is deprecated.
constexpr quint32 uuidVersion = 13;

} // namespace

PlasmaWindowWorkspace::PlasmaWindowWorkspace(WaylandConnection& connection)
    : connection_(connection) {
    manager_ = static_cast<org_kde_plasma_window_management*>(connection.bind(
        "org_kde_plasma_window_management", &org_kde_plasma_window_management_interface,
        quint32(org_kde_plasma_window_management_interface.version)));
    if (!manager_) {
        return;
    }
    using Listener = org_kde_plasma_window_management_listener;
    static const Listener listener = {
        .show_desktop_changed = ignoredEvent<decltype(Listener::show_desktop_changed)>,
        .window = &PlasmaWindowWorkspace::onWindow,
        .stacking_order_changed = ignoredEvent<decltype(Listener::stacking_order_changed)>,
        .stacking_order_uuid_changed =
            ignoredEvent<decltype(Listener::stacking_order_uuid_changed)>,
        .window_with_uuid = &PlasmaWindowWorkspace::onWindowWithUuid,
    };
    org_kde_plasma_window_management_add_listener(manager_, &listener, this);
}

PlasmaWindowWorkspace::~PlasmaWindowWorkspace() {
    connection_.run([this] {
        for (org_kde_plasma_window* window : windows_.takeAll()) {
            org_kde_plasma_window_destroy(window);
        }
        if (manager_) {
            org_kde_plasma_window_management_destroy(manager_);
            manager_ = nullptr;
        }
    });
}

void PlasmaWindowWorkspace::track(org_kde_plasma_window* window) {
    using Listener = org_kde_plasma_window_listener;
    static const Listener listener = {
        .title_changed = ignoredEvent<decltype(Listener::title_changed)>,
        .app_id_changed = &PlasmaWindowWorkspace::onAppId,
        .state_changed = &PlasmaWindowWorkspace::onState,
        .virtual_desktop_changed = ignoredEvent<decltype(Listener::virtual_desktop_changed)>,
        .themed_icon_name_changed = ignoredEvent<decltype(Listener::themed_icon_name_changed)>,
        .unmapped = &PlasmaWindowWorkspace::onUnmapped,
        .initial_state = ignoredEvent<decltype(Listener::initial_state)>,
        .parent_window = ignoredEvent<decltype(Listener::parent_window)>,
        .geometry = ignoredEvent<decltype(Listener::geometry)>,
        .icon_changed = ignoredEvent<decltype(Listener::icon_changed)>,
        .pid_changed = ignoredEvent<decltype(Listener::pid_changed)>,
        .virtual_desktop_entered = ignoredEvent<decltype(Listener::virtual_desktop_entered)>,
        .virtual_desktop_left = ignoredEvent<decltype(Listener::virtual_desktop_left)>,
        .application_menu = ignoredEvent<decltype(Listener::application_menu)>,
        .activity_entered = ignoredEvent<decltype(Listener::activity_entered)>,
        .activity_left = ignoredEvent<decltype(Listener::activity_left)>,
        .resource_name_changed = ignoredEvent<decltype(Listener::resource_name_changed)>,
    };
    windows_.add(window);
    org_kde_plasma_window_add_listener(window, &listener, this);
}

void PlasmaWindowWorkspace::onWindow(void* data, org_kde_plasma_window_management* manager,
                                     uint32_t id) {
    if (org_kde_plasma_window_management_get_version(manager) < uuidVersion) {
        static_cast<PlasmaWindowWorkspace*>(data)->track(
            org_kde_plasma_window_management_get_window(manager, id));
    }
}

void PlasmaWindowWorkspace::onWindowWithUuid(void* data, org_kde_plasma_window_management* manager,
                                             uint32_t, const char* uuid) {
    static_cast<PlasmaWindowWorkspace*>(data)->track(
        org_kde_plasma_window_management_get_window_by_uuid(manager, uuid));
}

void PlasmaWindowWorkspace::onAppId(void* data, org_kde_plasma_window* window, const char* appId) {
    static_cast<PlasmaWindowWorkspace*>(data)->windows_.setAppId(window, QString::fromUtf8(appId));
}

void PlasmaWindowWorkspace::onState(void* data, org_kde_plasma_window* window, uint32_t flags) {
    static_cast<PlasmaWindowWorkspace*>(data)->windows_.setActive(
        window, flags & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE);
}

void PlasmaWindowWorkspace::onUnmapped(void* data, org_kde_plasma_window* window) {
    static_cast<PlasmaWindowWorkspace*>(data)->windows_.remove(window);
    org_kde_plasma_window_destroy(window);
}

std::optional<RunningApplication> PlasmaWindowWorkspace::frontmostApplication() const {
    return windows_.frontmost();
}

void PlasmaWindowWorkspace::activate(const RunningApplication& application) {
    const quint64 id = application.windowId;
    connection_.post([this, id] {
        if (auto* window = windows_.handle(id)) {
            org_kde_plasma_window_set_state(window, ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE,
                                            ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE);
        }
    });
}

bool PlasmaWindowWorkspace::belongsToThisProcess(const RunningApplication& application) const {
    return WaylandWindowList<org_kde_plasma_window>::belongsToThisProcess(application);
}

} // namespace quillstack
