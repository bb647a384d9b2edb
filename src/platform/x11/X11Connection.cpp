#include "platform/x11/X11Connection.h"

#include "platform/x11/XcbReply.h"

#include <QDeadlineTimer>

#include <cstdlib>
#include <poll.h>

namespace quillstack {

std::unique_ptr<X11Connection> X11Connection::open() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    if (it.rem == 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(connection, it.data->root));
}

X11Connection::X11Connection(xcb_connection_t* connection, xcb_window_t root)
    : connection_(connection), root_(root) {}

X11Connection::~X11Connection() {
    xcb_disconnect(connection_);
}

xcb_atom_t X11Connection::atom(const char* name) {
    const QByteArray key(name);
    if (const auto found = atoms_.constFind(key); found != atoms_.constEnd()) {
        return *found;
    }
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, uint16_t(key.size()), name), nullptr));
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    if (atom != XCB_ATOM_NONE) {
        atoms_.insert(key, atom);
    }
    return atom;
}

std::optional<quint32> X11Connection::cardinalProperty(xcb_window_t window, xcb_atom_t property,
                                                       xcb_atom_t type) {
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, type, 0, 1), nullptr));
    if (!reply || reply->format != 32 || reply->type != type ||
        xcb_get_property_value_length(reply.get()) < 4) {
        return std::nullopt;
    }
    return *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
}

std::optional<QByteArray> X11Connection::byteProperty(xcb_window_t window, xcb_atom_t property) {
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 16384),
        nullptr));
    if (!reply || reply->format != 8 || reply->type == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

xcb_timestamp_t X11Connection::serverTime() {
    if (timeWindow_ == XCB_NONE) {
        timeWindow_ = xcb_generate_id(connection_);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, timeWindow_, root_, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &mask);
    }
    const xcb_atom_t property = atom("_QUILLSTACK_TIMESTAMP");
    xcb_change_property(connection_, XCB_PROP_MODE_APPEND, timeWindow_, property, XCB_ATOM_STRING,
                        8, 0, nullptr);
    xcb_flush(connection_);

    QDeadlineTimer deadline(200);
    while (!hasError()) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const bool found =
                (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(event)->window == timeWindow_;
            const xcb_timestamp_t time =
                found ? reinterpret_cast<xcb_property_notify_event_t*>(event)->time
                      : xcb_timestamp_t(XCB_CURRENT_TIME);
            std::free(event);
            if (found) {
                return time;
            }
        }
        if (deadline.hasExpired()) {
            break;
        }
        pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
        ::poll(&descriptor, 1, int(deadline.remainingTime()));
    }
    return XCB_CURRENT_TIME;
}

void X11Connection::sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

} // namespace quillstack
