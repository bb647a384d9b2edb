// Takes the X11 CLIPBOARD like a program that has stopped answering for it.
//
//   quillstack-clipboard-hold [--targets] [--retake MS]
//
// Prints "ready", then "request TARGET" for each request, and never sends a value. With --targets
// it still answers TARGETS (UTF8_STRING and text/html); with --retake it takes the clipboard again
// every MS milliseconds, whoever owns it. Runs until killed. Exit status 2: bad command line or
// no X server.
#include <xcb/xcb.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_connection_t* c = nullptr;

xcb_atom_t intern(const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

void say(const char* line) {
    std::puts(line);
    std::fflush(stdout);
}

int hold(bool answerTargets, int retakeMs) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = intern("CLIPBOARD"), targets = intern("TARGETS");
    const xcb_atom_t offered[] = {targets, intern("UTF8_STRING"), intern("text/html")};
    const auto take = [&] {
        xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
        xcb_flush(c);
    };
    take();
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
    const bool owns = owner && owner->owner == window;
    std::free(owner);
    if (!owns) {
        return 2;
    }
    say("ready");
    using Clock = std::chrono::steady_clock;
    Clock::time_point nextTake = Clock::now() + std::chrono::milliseconds(retakeMs);
    while (!xcb_connection_has_error(c)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
                const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
                if (xcb_get_atom_name_reply_t* name = xcb_get_atom_name_reply(
                        c, xcb_get_atom_name(c, request->target), nullptr)) {
                    std::printf("request %.*s\n", xcb_get_atom_name_name_length(name),
                                xcb_get_atom_name_name(name));
                    std::fflush(stdout);
                    std::free(name);
                }
                if (answerTargets && request->target == targets) {
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor,
                                        request->property, XCB_ATOM_ATOM, 32, 3, offered);
                    xcb_selection_notify_event_t notify{};
                    notify.response_type = XCB_SELECTION_NOTIFY;
                    notify.time = request->time;
                    notify.requestor = request->requestor;
                    notify.selection = request->selection;
                    notify.target = request->target;
                    notify.property = request->property;
                    xcb_send_event(c, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                                   reinterpret_cast<const char*>(&notify));
                    xcb_flush(c);
                }
            }
            std::free(event);
        }
        int waitMs = -1;
        if (retakeMs > 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(nextTake - Clock::now()).count();
            if (left <= 0) {
                take();
                nextTake = Clock::now() + std::chrono::milliseconds(retakeMs);
                continue;
            }
            waitMs = int(left);
        }
        pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&descriptor, 1, waitMs);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        return 2;
    }
    bool targets = false;
    int retakeMs = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--targets") {
            targets = true;
        } else if (args[i] == "--retake" && i + 1 < args.size()) {
            retakeMs = std::atoi(args[++i].c_str());
        } else {
            return 2;
        }
    }
    return hold(targets, retakeMs);
}
