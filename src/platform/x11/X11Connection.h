#pragma once

#include <QByteArray>
#include <QHash>

#include <xcb/xcb.h>

#include <memory>
#include <optional>

namespace quillstack {

// A private connection to the X server named by $DISPLAY, with the root window of its default
// screen and a cache of interned atoms. Kept apart from Qt's own connection so that waiting
// for a reply or an event here never competes with Qt's event reader.
class X11Connection {
public:
    // Nothing when no X server can be reached.
    static std::unique_ptr<X11Connection> open();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    xcb_window_t root() const { return root_; }
    bool hasError() const { return xcb_connection_has_error(connection_) != 0; }

    xcb_atom_t atom(const char* name);

    // The first 32-bit value of a window property, or nothing when it is unset or malformed.
    std::optional<quint32> cardinalProperty(xcb_window_t window, xcb_atom_t property,
                                            xcb_atom_t type);
    // The raw bytes of an 8-bit property (at most 64 KiB), or nothing when unset.
    std::optional<QByteArray> byteProperty(xcb_window_t window, xcb_atom_t property);

    // The server time now, read from the property change it causes on a private window;
    // XCB_CURRENT_TIME when no answer comes within a short while.
    xcb_timestamp_t serverTime();

    // Waits until the server has handled every request sent so far.
    void sync();

private:
    X11Connection(xcb_connection_t* connection, xcb_window_t root);

    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_window_t timeWindow_ = XCB_NONE;
    QHash<QByteArray, xcb_atom_t> atoms_;
};

} // namespace quillstack
