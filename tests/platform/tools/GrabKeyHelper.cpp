// A second X client for the hot-key tests: grabs one letter on the root window under the given
// modifier masks, prints "grabbed" (or "refused" and exits 3), then prints "pressed" for every
// press it receives until its standard input closes.
//   quillstack_grab_key_helper <letter> <mask> [<mask>...]
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <letter> <mask>...\n", argv[0]);
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    xcb_keycode_t* codes =
        xcb_key_symbols_get_keycode(symbols, static_cast<xcb_keysym_t>(argv[1][0]));
    if (!codes || *codes == XCB_NO_SYMBOL) {
        return 2;
    }
    const xcb_keycode_t keycode = codes[0];
    std::free(codes);
    xcb_key_symbols_free(symbols);

    std::vector<xcb_void_cookie_t> cookies;
    for (int i = 2; i < argc; ++i) {
        const auto mask = static_cast<uint16_t>(std::strtoul(argv[i], nullptr, 0));
        cookies.push_back(xcb_grab_key_checked(connection, 0, root, mask, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool refused = false;
    for (const xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            refused = true;
            std::free(error);
        }
    }
    std::puts(refused ? "refused" : "grabbed");
    std::fflush(stdout);
    if (refused) {
        xcb_disconnect(connection);
        return 3;
    }

    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {xcb_get_file_descriptor(connection), POLLIN, 0}};
    while (true) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS) {
                std::puts("pressed");
                std::fflush(stdout);
            }
            std::free(event);
        }
        if (xcb_connection_has_error(connection) || poll(fds, 2, -1) < 0) {
            break;
        }
        if (fds[0].revents) {
            char buffer[64];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
                break;
            }
        }
    }
    xcb_disconnect(connection);
    return 0;
}
