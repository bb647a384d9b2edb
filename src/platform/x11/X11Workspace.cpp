#include "platform/x11/X11Workspace.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/XcbReply.h"

#include <QGuiApplication>
#include <QSysInfo>
#include <QWindow>

#include <unistd.h>

namespace quillstack {

namespace {

// Walking the tree stops here: a malformed or hostile tree cannot hold the program up.
constexpr int maxTreeDepth = 32;
constexpr int maxWindowsSearched = 256;

std::optional<xcb_window_t> parentOf(X11Connection& x, xcb_window_t window) {
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x.get(), xcb_query_tree(x.get(), window), nullptr));
    if (!tree) {
        return std::nullopt;
    }
    return tree->parent;
}

// The child of the root window that contains the window.
std::optional<xcb_window_t> topLevelOf(X11Connection& x, xcb_window_t window) {
    for (int depth = 0; depth < maxTreeDepth; ++depth) {
        const auto parent = parentOf(x, window);
        if (!parent || *parent == XCB_NONE) {
            return std::nullopt;
        }
        if (*parent == x.root()) {
            return window;
        }
        window = *parent;
    }
    return std::nullopt;
}

// The class part of a WM_CLASS value ("instance\0class\0"); nothing when it is missing or empty.
std::optional<QString> classOf(const QByteArray& wmClass) {
    const qsizetype split = wmClass.indexOf('\0');
    if (split < 0) {
        return std::nullopt;
    }
    QByteArray name = wmClass.mid(split + 1);
    if (const qsizetype end = name.indexOf('\0'); end >= 0) {
        name.truncate(end);
    }
    if (name.isEmpty()) {
        return std::nullopt;
    }
    return QString::fromUtf8(name);
}

// The window itself or, breadth first, the first of its descendants that carries WM_CLASS
// (a window manager's frame holds the client window inside it).
std::optional<RunningApplication> applicationAt(X11Connection& x, xcb_window_t window) {
    QList<xcb_window_t> queue{window};
    for (qsizetype i = 0; i < queue.size() && i < maxWindowsSearched; ++i) {
        if (const auto wmClass = x.byteProperty(queue[i], XCB_ATOM_WM_CLASS)) {
            return RunningApplication{queue[i], classOf(*wmClass)};
        }
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(x.get(), xcb_query_tree(x.get(), queue[i]), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            // Topmost children first.
            for (int c = xcb_query_tree_children_length(tree.get()) - 1; c >= 0; --c) {
                queue.append(children[c]);
            }
        }
    }
    return RunningApplication{window, std::nullopt};
}

} // namespace

X11Workspace::X11Workspace() : connection_(X11Connection::open()) {}

X11Workspace::~X11Workspace() = default;

bool X11Workspace::hasWindowManager() const {
    if (!connection_ || connection_->hasError()) {
        return false;
    }
    X11Connection& x = *connection_;
    const xcb_atom_t check = x.atom("_NET_SUPPORTING_WM_CHECK");
    const auto child = x.cardinalProperty(x.root(), check, XCB_ATOM_WINDOW);
    // The check window names itself, which proves it is not left over from a window manager
    // that has gone.
    return child && *child != XCB_NONE &&
           x.cardinalProperty(*child, check, XCB_ATOM_WINDOW) == child;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() const {
    if (!connection_ || connection_->hasError()) {
        return std::nullopt;
    }
    X11Connection& x = *connection_;
    if (hasWindowManager()) {
        const auto active =
            x.cardinalProperty(x.root(), x.atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
        if (!active || *active == XCB_NONE) {
            return std::nullopt;
        }
        return applicationAt(x, *active);
    }
    XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(x.get(), xcb_get_input_focus(x.get()), nullptr));
    if (!focus || focus->focus == XCB_NONE) {
        return std::nullopt;
    }
    xcb_window_t window = focus->focus;
    if (window == XCB_INPUT_FOCUS_POINTER_ROOT || window == x.root()) {
        // Focus follows the pointer: the window under it has the keys.
        XcbReply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(x.get(), xcb_query_pointer(x.get(), x.root()), nullptr));
        if (!pointer || pointer->child == XCB_NONE) {
            return std::nullopt;
        }
        window = pointer->child;
    }
    const auto topLevel = topLevelOf(x, window);
    if (!topLevel) {
        return std::nullopt;
    }
    return applicationAt(x, *topLevel);
}

void X11Workspace::activate(const RunningApplication& application) {
    if (!connection_ || connection_->hasError() || application.windowId == XCB_NONE) {
        return;
    }
    X11Connection& x = *connection_;
    const auto window = xcb_window_t(application.windowId);
    if (hasWindowManager()) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = x.atom("_NET_ACTIVE_WINDOW");
        message.data.data32[0] = 2; // source indication: a pager, acting for the user
        message.data.data32[1] = x.serverTime();
        message.data.data32[2] = XCB_NONE;
        xcb_send_event(x.get(), 0, x.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(x.get(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(x.get(), XCB_INPUT_FOCUS_POINTER_ROOT, window, x.serverTime());
    }
    x.sync();
}

bool X11Workspace::belongsToThisProcess(const RunningApplication& application) const {
    if (qGuiApp) {
        for (const QWindow* window : QGuiApplication::topLevelWindows()) {
            if (window->handle() && quint64(window->winId()) == application.windowId) {
                return true;
            }
        }
    }
    if (!connection_ || connection_->hasError()) {
        return false;
    }
    X11Connection& x = *connection_;
    const auto pid = x.cardinalProperty(xcb_window_t(application.windowId), x.atom("_NET_WM_PID"),
                                        XCB_ATOM_CARDINAL);
    if (!pid || *pid != quint32(::getpid())) {
        return false;
    }
    // A process id only means something on the machine that owns the window.
    const auto machine =
        x.byteProperty(xcb_window_t(application.windowId), XCB_ATOM_WM_CLIENT_MACHINE);
    return !machine || QString::fromUtf8(*machine) == QSysInfo::machineHostName();
}

} // namespace quillstack
