#pragma once

namespace quillstack {

// A listener that does nothing, for the events of a Wayland listener struct that are of no
// interest: libwayland calls every event's function, so none may stay null.
//   .title_changed = ignoredEvent<decltype(org_kde_plasma_window_listener::title_changed)>
template <typename Function> struct IgnoredEvent;
template <typename... Arguments> struct IgnoredEvent<void (*)(Arguments...)> {
    static void call(Arguments...) {}
};
template <typename Function> constexpr Function ignoredEvent = &IgnoredEvent<Function>::call;

} // namespace quillstack
