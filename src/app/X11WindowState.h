#pragma once

#include <QByteArrayList>
#include <QWidget>

namespace quillstack {

// The EWMH window states a top-level window asks its window manager for when it is mapped
// (_NET_WM_STATE on the unmapped window). Qt merges its own states into the property, so these
// survive its show(). Does nothing off X11.
class X11WindowState {
public:
    X11WindowState() = delete;

    // Adds the named states (such as "_NET_WM_STATE_SKIP_TASKBAR") to the window's property;
    // the window must not be mapped.
    static void addBeforeMapping(QWidget& window, const QByteArrayList& states);
    // The window's current states, by name.
    static QByteArrayList states(QWidget& window);
};

} // namespace quillstack
