#pragma once

#include <QHash>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_interface;

namespace quillstack {

// A private connection to the Wayland compositor, apart from the toolkit's, with a thread of
// its own that dispatches its events.
//
// Between connect() and start() the connection belongs to the thread that made it (the globals
// are known then, and services bind what they need). After start(), every use of a Wayland
// object happens on the connection's thread: other threads hand it work with post() or run().
class WaylandConnection {
public:
    struct Global {
        quint32 name = 0;
        quint32 version = 0;
    };

    // Connects to the compositor named by WAYLAND_DISPLAY and learns its globals; nothing when
    // no compositor answers.
    static std::unique_ptr<WaylandConnection> connect();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // The advertised globals, by interface name.
    const QHash<QString, Global>& globals() const { return globals_; }
    QHash<QString, quint32> globalVersions() const;

    // Binds a global at the lower of its advertised version and maxVersion; null when it is not
    // advertised. Before start() or on the connection's thread only.
    void* bind(const char* interfaceName, const wl_interface* interface, quint32 maxVersion);

    // The first seat (the headless and ordinary desktops have one); null when there is none.
    wl_seat* seat() const { return seat_; }
    wl_display* display() const { return display_; }

    // Waits until the compositor has handled every request sent so far and this thread has
    // dispatched the events they caused. Before start() only.
    bool roundtrip();

    // Starts the dispatch thread.
    void start();

    // Runs the task on the connection's thread (at once when called there).
    void post(std::function<void()> task);
    // Runs the task on the connection's thread and waits for it, at most the time-out; false
    // when it did not run in time (the task is then dropped if it has not started).
    bool run(std::function<void()> task,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    bool isConnectionThread() const;
    // False once the compositor has closed the connection or sent a protocol error.
    bool isAlive() const { return alive_; }

private:
    WaylandConnection(wl_display* display);
    void dispatchLoop();
    void runPostedTasks();
    void wake();

    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, uint32_t name);

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    QHash<QString, Global> globals_;

    std::thread thread_;
    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> alive_{true};
    std::mutex tasksMutex_;
    std::deque<std::function<void()>> tasks_;
};

} // namespace quillstack
