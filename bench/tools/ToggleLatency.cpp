// Runs `quillstack --toggle` and measures the time until the panel is mapped (or unmapped).
//
//   quillstack-toggle-latency QUILLSTACK open|close
//
// Prints one line: "<milliseconds until the panel is mapped (open) or gone (close)>
// <exit status of quillstack --toggle> <milliseconds until it exited>". The panel is a viewable
// window of class "quillstack" at least 400 pixels wide; the window tree is looked at every
// millisecond. Gives up after 10 s (printing -1 for the time). Exit status 2: bad command line
// or no X server.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

template <typename Reply> struct Freed {
    Reply* reply;
    ~Freed() { std::free(reply); }
};

bool isPanel(xcb_connection_t* c, xcb_window_t window) {
    Freed<xcb_get_window_attributes_reply_t> attributes{
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr)};
    if (!attributes.reply || attributes.reply->map_state != XCB_MAP_STATE_VIEWABLE) {
        return false;
    }
    Freed<xcb_get_property_reply_t> wmClass{xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr)};
    if (!wmClass.reply) {
        return false;
    }
    const std::string value(static_cast<const char*>(xcb_get_property_value(wmClass.reply)),
                            size_t(xcb_get_property_value_length(wmClass.reply)));
    if (value.find("quillstack") == std::string::npos) {
        return false;
    }
    Freed<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr)};
    return geometry.reply && geometry.reply->width >= 400;
}

// Looks through the top-level windows and their children (a window manager's frames).
bool panelShown(xcb_connection_t* c, xcb_window_t parent, int depth) {
    Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr)};
    if (!tree.reply) {
        return false;
    }
    const xcb_window_t* children = xcb_query_tree_children(tree.reply);
    for (int i = 0; i < xcb_query_tree_children_length(tree.reply); ++i) {
        if (isPanel(c, children[i]) || (depth > 1 && panelShown(c, children[i], depth - 1))) {
            return true;
        }
    }
    return false;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[2], "open") != 0 && std::strcmp(argv[2], "close") != 0)) {
        std::fprintf(stderr, "usage: quillstack-toggle-latency QUILLSTACK open|close\n");
        return 2;
    }
    const bool opening = std::strcmp(argv[2], "open") == 0;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "quillstack-toggle-latency: no X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    char toggle[] = "--toggle";
    char* arguments[] = {argv[1], toggle, nullptr};
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[1], nullptr, nullptr, arguments, environ) != 0) {
        std::perror("posix_spawn");
        return 2;
    }
    double shownMs = -1;
    double exitMs = -1;
    int status = -1;
    while (msSince(start) < 10000 && (shownMs < 0 || exitMs < 0)) {
        if (shownMs < 0 && panelShown(c, root, 3) == opening) {
            shownMs = msSince(start);
        }
        int childStatus = 0;
        if (exitMs < 0 && waitpid(child, &childStatus, WNOHANG) == child) {
            exitMs = msSince(start);
            status = WIFEXITED(childStatus) ? WEXITSTATUS(childStatus) : 128;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::printf("%.1f %d %.1f\n", shownMs, status, exitMs);
    xcb_disconnect(c);
    return 0;
}
