// Takes the X11 CLIPBOARD:  quillstack-clipboard-owner TYPE=FILE... | --targets | --retake MS
// Prints "ready", then "request TARGET" for each request. Offers each TYPE with the bytes of FILE;
// otherwise never sends a value, like an owner that has stopped answering: with --targets it still
// lists UTF8_STRING and text/html, with --retake it takes the clipboard again every MS ms. Exits
// once another program takes the clipboard (unless retaking). Exit status 2: no X server or file.
#include <xcb/xcb.h>

#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

xcb_connection_t* c = nullptr;

xcb_atom_t intern(const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Names the request, and answers it: always (refused if nothing fits) when there are values, else
// only when it asks for the targets and some are listed. targets[0] is TARGETS itself.
void serve(const xcb_selection_request_event_t& request, const std::vector<xcb_atom_t>& targets,
           const std::vector<std::string>& values) {
    if (xcb_get_atom_name_reply_t* name =
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, request.target), nullptr)) {
        std::printf("request %.*s\n", xcb_get_atom_name_name_length(name),
                    xcb_get_atom_name_name(name));
        std::fflush(stdout);
        std::free(name);
    }
    xcb_atom_t property = XCB_ATOM_NONE;
    if (targets.size() > 1 && request.target == targets[0]) {
        property = request.property;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, uint32_t(targets.size()), targets.data());
    }
    for (size_t i = 1; i < values.size(); ++i) {
        if (targets[i] == request.target) {
            property = request.property;
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, targets[i],
                                8, uint32_t(values[i].size()), values[i].data());
        }
    }
    if (property == XCB_ATOM_NONE && values.size() < 2) {
        return;
    }
    const xcb_selection_notify_event_t notify{
        XCB_SELECTION_NOTIFY, 0,       0, request.time, request.requestor, request.selection,
        request.target,       property};
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
}

} // namespace

int main(int argc, char** argv) {
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        return 2;
    }
    const std::string first = argc > 1 ? argv[1] : "";
    const int retakeMs = first == "--retake" && argc > 2 ? std::atoi(argv[2]) : -1;
    std::vector<xcb_atom_t> targets{intern("TARGETS")};
    std::vector<std::string> values{""}; // one for each target when there are values
    for (int i = 1; i < argc && first.find('=') != std::string::npos; ++i) {
        const std::string argument = argv[i];
        const size_t equals = argument.find('=');
        std::ifstream file(argument.substr(equals + 1), std::ios::binary);
        if (equals == std::string::npos || !file) {
            return 2;
        }
        targets.push_back(intern(argument.substr(0, equals)));
        values.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (first == "--targets") {
        targets.insert(targets.end(), {intern("UTF8_STRING"), intern("text/html")});
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = intern("CLIPBOARD");
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    std::free(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr));
    std::puts("ready");
    std::fflush(stdout);
    while (!xcb_connection_has_error(c)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const int type = event->response_type & 0x7f;
            if (type == XCB_SELECTION_REQUEST) {
                serve(*reinterpret_cast<xcb_selection_request_event_t*>(event), targets, values);
            }
            std::free(event);
            if (type == XCB_SELECTION_CLEAR && retakeMs < 0) {
                return 0;
            }
        }
        xcb_flush(c);
        pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
        if (::poll(&descriptor, 1, retakeMs) == 0) { // the retake interval has passed quietly
            xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
        }
    }
    return 0;
}
