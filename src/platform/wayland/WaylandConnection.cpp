#include "platform/wayland/WaylandConnection.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quillstack {

std::unique_ptr<WaylandConnection> WaylandConnection::connect() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return nullptr;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        return nullptr;
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    if (!connection->roundtrip()) {
        return nullptr;
    }
    if (const auto seat = connection->globals_.constFind(QStringLiteral("wl_seat"));
        seat != connection->globals_.constEnd()) {
        connection->seat_ = static_cast<wl_seat*>(wl_registry_bind(
            connection->registry_, seat->name, &wl_seat_interface, std::min(seat->version, 5u)));
    }
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display)
    : display_(display), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    static const wl_registry_listener listener = {
        .global = &WaylandConnection::onGlobal,
        .global_remove = &WaylandConnection::onGlobalRemove,
    };
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);
}

WaylandConnection::~WaylandConnection() {
    if (thread_.joinable()) {
        stopping_ = true;
        wake();
        thread_.join();
    }
    // Work handed over but never run is dropped with the connection.
    tasks_.clear();
    if (seat_) {
        wl_seat_destroy(seat_);
    }
    if (registry_) {
        wl_registry_destroy(registry_);
    }
    wl_display_disconnect(display_);
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

void WaylandConnection::onGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                                 uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    const QString key = QString::fromUtf8(interface);
    // The first of several globals of one interface (several outputs, say) is the one used.
    if (!self->globals_.contains(key)) {
        self->globals_.insert(key, Global{name, version});
    }
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, uint32_t name) {
    auto* self = static_cast<WaylandConnection*>(data);
    for (auto it = self->globals_.begin(); it != self->globals_.end(); ++it) {
        if (it->name == name) {
            self->globals_.erase(it);
            return;
        }
    }
}

QHash<QString, quint32> WaylandConnection::globalVersions() const {
    QHash<QString, quint32> versions;
    for (auto it = globals_.constBegin(); it != globals_.constEnd(); ++it) {
        versions.insert(it.key(), it->version);
    }
    return versions;
}

void* WaylandConnection::bind(const char* interfaceName, const wl_interface* interface,
                              quint32 maxVersion) {
    const auto global = globals_.constFind(QString::fromUtf8(interfaceName));
    if (global == globals_.constEnd()) {
        return nullptr;
    }
    return wl_registry_bind(registry_, global->name, interface,
                            std::min<quint32>(global->version, maxVersion));
}

bool WaylandConnection::roundtrip() {
    if (wl_display_roundtrip(display_) < 0) {
        alive_ = false;
        return false;
    }
    return true;
}

void WaylandConnection::start() {
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { dispatchLoop(); });
    }
}

bool WaylandConnection::isConnectionThread() const {
    // Before start() the thread that made the connection owns it.
    return !thread_.joinable() || std::this_thread::get_id() == thread_.get_id();
}

void WaylandConnection::wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void WaylandConnection::post(std::function<void()> task) {
    if (!thread_.joinable() || std::this_thread::get_id() == thread_.get_id()) {
        task();
        wl_display_flush(display_);
        return;
    }
    {
        std::lock_guard lock(tasksMutex_);
        tasks_.push_back(std::move(task));
    }
    wake();
}

bool WaylandConnection::run(std::function<void()> task, std::chrono::milliseconds timeout) {
    if (!thread_.joinable() || std::this_thread::get_id() == thread_.get_id()) {
        task();
        wl_display_flush(display_);
        return true;
    }
    if (!alive_) {
        return false;
    }
    struct State {
        std::mutex mutex;
        std::condition_variable finished;
        bool started = false;
        bool done = false;
        bool abandoned = false;
    };
    auto state = std::make_shared<State>();
    post([state, task = std::move(task)] {
        {
            std::lock_guard lock(state->mutex);
            if (state->abandoned) {
                return;
            }
            state->started = true;
        }
        task();
        std::lock_guard lock(state->mutex);
        state->done = true;
        state->finished.notify_all();
    });
    std::unique_lock lock(state->mutex);
    if (state->finished.wait_for(lock, timeout, [&] { return state->done; })) {
        return true;
    }
    if (!state->started) {
        state->abandoned = true;
        return false;
    }
    // Tasks on the connection's thread never wait; one that has started soon ends.
    state->finished.wait(lock, [&] { return state->done; });
    return true;
}

void WaylandConnection::runPostedTasks() {
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard lock(tasksMutex_);
        tasks.swap(tasks_);
    }
    for (auto& task : tasks) {
        task();
    }
}

void WaylandConnection::dispatchLoop() {
    const int displayFd = wl_display_get_fd(display_);
    while (!stopping_) {
        runPostedTasks();
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) {
                break;
            }
        }
        if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display_);
            break;
        }
        pollfd fds[2] = {{displayFd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0) {
            wl_display_cancel_read(display_);
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents & POLLIN) {
            if (wl_display_read_events(display_) < 0) {
                break;
            }
        } else {
            wl_display_cancel_read(display_);
        }
        if (fds[0].revents & (POLLERR | POLLHUP)) {
            break;
        }
        if (wl_display_dispatch_pending(display_) < 0) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
        }
    }
    alive_ = false;
    // Work handed over later cannot run: run() callers time out instead of waiting forever.
    if (!stopping_) {
        while (!stopping_) {
            runPostedTasks();
            pollfd wakeOnly = {wakeFd_, POLLIN, 0};
            ::poll(&wakeOnly, 1, -1);
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
        }
    }
}

} // namespace quillstack
