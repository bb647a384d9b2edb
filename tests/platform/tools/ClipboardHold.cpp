// Takes the CLIPBOARD selection like a program that has stopped answering for it.
//
//   quillstack-clipboard-hold [--targets] [--retake MS]
//
// Prints "ready" on standard output once it owns the clipboard, then never sends any value:
// requests for data go unanswered. Each request received is printed as "request TARGET". With
// --targets it still answers TARGETS (offering UTF8_STRING and text/html), like a program that
// lists its types but hangs when asked for one. With --retake it takes the clipboard again every MS
// milliseconds, whoever owns it. Runs until killed. Exit status 2: bad command line or no X server.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>

namespace {

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

int usage(const char* problem) {
    std::fprintf(stderr,
                 "quillstack-clipboard-hold: %s\n"
                 "usage: quillstack-clipboard-hold [--targets] [--retake MS]\n",
                 problem);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    bool answerTargets = false;
    int retakeMs = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--targets") {
            answerTargets = true;
        } else if (argument == "--retake" && i + 1 < argc) {
            retakeMs = std::atoi(argv[++i]);
            if (retakeMs <= 0) {
                return usage("--retake needs a positive number of milliseconds");
            }
        } else {
            return usage(("unknown argument " + argument).c_str());
        }
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        return usage("cannot connect to the X server");
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = intern(c, "CLIPBOARD");
    const xcb_atom_t targets = intern(c, "TARGETS");
    const xcb_atom_t offered[] = {targets, intern(c, "UTF8_STRING"), intern(c, "text/html")};

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
        return usage("could not take the clipboard");
    }
    std::puts("ready");
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    Clock::time_point nextTake = Clock::now() + std::chrono::milliseconds(retakeMs);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
                const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
                xcb_get_atom_name_reply_t* name =
                    xcb_get_atom_name_reply(c, xcb_get_atom_name(c, request->target), nullptr);
                if (name) {
                    std::printf("request %.*s\n", xcb_get_atom_name_name_length(name),
                                xcb_get_atom_name_name(name));
                    std::fflush(stdout);
                }
                std::free(name);
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
        if (xcb_connection_has_error(c)) {
            return 0;
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
}
