#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace quillstack {

class X11Connection;

// Reads the CLIPBOARD selection on a private X connection with a requestor window of its own,
// converting it to one target at a time. Large values arrive through the INCR protocol in
// pieces. Every wait for the owner (the first answer, each further piece) is bounded by the
// time-out, and one transfer as a whole by a longer limit, so no owner can hold a reader for
// long. Used from one thread at a time; cancel() may be called from any thread.
class X11SelectionReader {
public:
    enum class Outcome {
        converted, // the owner sent the value (possibly empty)
        refused,   // no owner, or the owner cannot convert to that target
        timedOut,  // the owner did not answer in time, the value was too large, or cancelled
    };

    // Where the value goes as it arrives: `expect` is told the size the owner announces for an
    // incremental transfer (a lower bound, not to be trusted), then `append` gets the pieces.
    struct Sink {
        std::function<void(qint64 bytes)> expect;
        std::function<void(QByteArrayView piece)> append;
    };

    static constexpr std::chrono::milliseconds defaultTimeout{3000};
    // A value larger than this is not taken (the transfer ends as timed out).
    static constexpr qint64 maxValueBytes = qint64(512) * 1024 * 1024;

    // Nothing when no X server can be reached.
    static std::unique_ptr<X11SelectionReader>
    open(std::chrono::milliseconds timeout = defaultTimeout);
    ~X11SelectionReader();
    X11SelectionReader(const X11SelectionReader&) = delete;
    X11SelectionReader& operator=(const X11SelectionReader&) = delete;

    // Starts over with a fresh requestor window, so that a late answer meant for an earlier
    // request can never be taken for the answer to a later one. Call on each clipboard change.
    void renew();

    // The names of the targets the owner offers, in its order; nothing unless converted.
    std::optional<QList<QByteArray>> targets(Outcome* outcome = nullptr);

    // Converts the selection to the target and hands the value to the sink.
    Outcome convert(const QByteArray& target, const Sink& sink);
    // The same, collecting the value.
    Outcome convert(const QByteArray& target, QByteArray& value);

    // Ends the conversion under way and makes every later one time out at once.
    void cancel();

private:
    X11SelectionReader(std::unique_ptr<X11Connection> connection,
                       std::chrono::milliseconds timeout);

    template <typename Matches>
    xcb_generic_event_t* waitFor(Matches matches, std::chrono::steady_clock::time_point until);
    Outcome readValue(xcb_atom_t type, const Sink& sink,
                      std::chrono::steady_clock::time_point transferEnd);
    Outcome readIncrements(const Sink& sink, std::chrono::steady_clock::time_point transferEnd);
    // Hands the property's value to the sink and deletes it. Its type (None when it is not set),
    // or nothing when it is malformed or makes the value too large.
    std::optional<xcb_atom_t> takeProperty(const Sink& sink, qint64& total);

    std::unique_ptr<X11Connection> connection_;
    std::chrono::milliseconds timeout_;
    xcb_window_t window_ = XCB_NONE;
    xcb_atom_t clipboard_;
    xcb_atom_t property_;
    xcb_atom_t incr_;
    QHash<xcb_atom_t, QByteArray> atomNames_;
    int wakeFd_ = -1;
    std::atomic<bool> cancelled_{false};
};

} // namespace quillstack
