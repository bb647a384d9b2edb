#pragma once

#include "platform/RunningApplication.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>

namespace quillstack {

// The desktop's windows as a window-management protocol reports them, keyed by the protocol's
// handle. The connection's thread changes the list; any thread may ask for the front window.
// A window's id is a number the list gives each handle, so that it can travel in a
// RunningApplication.
template <typename Handle> class WaylandWindowList {
public:
    void add(Handle* handle) {
        const std::lock_guard lock(mutex_);
        windows_.insert(handle, Window{nextId_++, {}, false});
    }
    void update(Handle* handle, const QString& appId, bool active) {
        const std::lock_guard lock(mutex_);
        if (auto it = windows_.find(handle); it != windows_.end()) {
            it->appId = appId;
            it->active = active;
        }
    }
    void setAppId(Handle* handle, const QString& appId) {
        const std::lock_guard lock(mutex_);
        if (auto it = windows_.find(handle); it != windows_.end()) {
            it->appId = appId;
        }
    }
    void setActive(Handle* handle, bool active) {
        const std::lock_guard lock(mutex_);
        if (auto it = windows_.find(handle); it != windows_.end()) {
            it->active = active;
        }
    }
    void remove(Handle* handle) {
        const std::lock_guard lock(mutex_);
        windows_.remove(handle);
    }
    // Empties the list and gives back every handle, for the caller to destroy.
    QList<Handle*> takeAll() {
        const std::lock_guard lock(mutex_);
        QList<Handle*> handles = windows_.keys();
        windows_.clear();
        return handles;
    }

    // The active window, named by its app_id when it has one.
    std::optional<RunningApplication> frontmost() const {
        const std::lock_guard lock(mutex_);
        for (const Window& window : windows_) {
            if (window.active) {
                RunningApplication application;
                application.windowId = window.id;
                if (!window.appId.isEmpty()) {
                    application.bundleIdentifier = window.appId;
                }
                return application;
            }
        }
        return std::nullopt;
    }

    Handle* handle(quint64 id) const {
        const std::lock_guard lock(mutex_);
        for (auto it = windows_.constBegin(); it != windows_.constEnd(); ++it) {
            if (it->id == id) {
                return it.key();
            }
        }
        return nullptr;
    }

    // The panel and other windows of this program carry its application name (or its desktop
    // file's name) as their app_id.
    static bool belongsToThisProcess(const RunningApplication& application) {
        if (!application.bundleIdentifier) {
            return false;
        }
        const QString& appId = *application.bundleIdentifier;
        return appId.compare(QCoreApplication::applicationName(), Qt::CaseInsensitive) == 0 ||
               (!QGuiApplication::desktopFileName().isEmpty() &&
                appId.compare(QGuiApplication::desktopFileName(), Qt::CaseInsensitive) == 0);
    }

private:
    struct Window {
        quint64 id = 0;
        QString appId;
        bool active = false;
    };

    mutable std::mutex mutex_;
    quint64 nextId_ = 1;
    QHash<Handle*, Window> windows_;
};

} // namespace quillstack
