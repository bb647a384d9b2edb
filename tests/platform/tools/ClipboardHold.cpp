// Takes the X11 CLIPBOARD like a program that has stopped answering for it.
//
//   quillstack-clipboard-hold [--targets] [--retake MS]
//
// Prints "ready", then "request TARGET" for each request, and never sends a value. With --targets
// it still answers TARGETS (UTF8_STRING and text/html); with --retake it takes the clipboard again
// every MS milliseconds, whoever owns it. Runs until killed. Exit status 2: no X server.
#include <xcb/xcb.h>

#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_connection_t* c = nullptr;

xcb_atom_t intern(const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Names the request; answers it only when it asks for the targets and they are to be answered.
void serve(const xcb_selection_request_event_t& request, bool answerTargets,
           const xcb_atom_t (&offered)[3]) {
    if (xcb_get_atom_name_reply_t* name =
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, request.target), nullptr)) {
        std::printf("request %.*s\n", xcb_get_atom_name_name_length(name),
                    xcb_get_atom_name_name(name));
        std::fflush(stdout);
        std::free(name);
    }
    if (!answerTargets || request.target != offered[0]) {
        return;
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                        XCB_ATOM_ATOM, 32, 3, offered);
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = request.property;
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
}

} // namespace

int main(int argc, char** argv) {
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        return 2;
    }
    const bool targetsAnswered = argc > 1 && std::strcmp(argv[1], "--targets") == 0;
    const int retakeMs =
        argc > 2 && std::strcmp(argv[1], "--retake") == 0 ? std::atoi(argv[2]) : -1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = intern("CLIPBOARD");
    const xcb_atom_t offered[] = {intern("TARGETS"), intern("UTF8_STRING"), intern("text/html")};
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    std::free(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr));
    std::puts("ready");
    std::fflush(stdout);
    while (!xcb_connection_has_error(c)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
                serve(*reinterpret_cast<xcb_selection_request_event_t*>(event), targetsAnswered,
                      offered);
            }
            std::free(event);
        }
        xcb_flush(c);
        pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
        if (::poll(&descriptor, 1, retakeMs) == 0) { // the retake interval has passed quietly
            xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
        }
    }
    return 0;
}
