#include "app/X11WindowState.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace quillstack {

namespace {

xcb_connection_t* connection() {
    const auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* c, const QByteArray& name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::vector<xcb_atom_t> currentStates(xcb_connection_t* c, xcb_window_t window,
                                      xcb_atom_t property) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, XCB_ATOM_ATOM, 0, 1024),
                               nullptr),
        &std::free);
    std::vector<xcb_atom_t> atoms;
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        atoms.assign(values, values + xcb_get_property_value_length(reply.get()) / 4);
    }
    return atoms;
}

} // namespace

void X11WindowState::addBeforeMapping(QWidget& window, const QByteArrayList& states) {
    xcb_connection_t* c = connection();
    if (!c) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t property = atom(c, QByteArrayLiteral("_NET_WM_STATE"));
    std::vector<xcb_atom_t> atoms = currentStates(c, id, property);
    for (const QByteArray& name : states) {
        const xcb_atom_t state = atom(c, name);
        if (state != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), state) == atoms.end()) {
            atoms.push_back(state);
        }
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, property, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(atoms.size()), atoms.data());
    xcb_flush(c);
}

QByteArrayList X11WindowState::states(QWidget& window) {
    xcb_connection_t* c = connection();
    if (!c) {
        return {};
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    QByteArrayList names;
    for (const xcb_atom_t state :
         currentStates(c, id, atom(c, QByteArrayLiteral("_NET_WM_STATE")))) {
        Reply<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, state), nullptr), &std::free);
        if (reply) {
            names << QByteArray(xcb_get_atom_name_name(reply.get()),
                                xcb_get_atom_name_name_length(reply.get()));
        }
    }
    return names;
}

} // namespace quillstack
