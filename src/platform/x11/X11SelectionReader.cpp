#include "platform/x11/X11SelectionReader.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/XcbReply.h"

#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quillstack {

namespace {

using Clock = std::chrono::steady_clock;

using EventPtr = XcbReply<xcb_generic_event_t>;

// A whole transfer may take this many time-outs; pieces that keep coming just in time cannot
// hold the reader longer.
constexpr int transferTimeouts = 20;
// Each read of a property asks for at most this many 32-bit units (4 MiB).
constexpr uint32_t propertyChunkUnits = 1024 * 1024;
// More targets than this are not a real offer.
constexpr qsizetype maxTargets = 1024;

int responseType(const xcb_generic_event_t* event) {
    return event->response_type & 0x7f;
}

} // namespace

std::unique_ptr<X11SelectionReader> X11SelectionReader::open(std::chrono::milliseconds timeout) {
    std::unique_ptr<X11Connection> connection = X11Connection::open();
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<X11SelectionReader>(
        new X11SelectionReader(std::move(connection), timeout));
}

X11SelectionReader::X11SelectionReader(std::unique_ptr<X11Connection> connection,
                                       std::chrono::milliseconds timeout)
    : connection_(std::move(connection)), timeout_(timeout),
      clipboard_(connection_->atom("CLIPBOARD")),
      property_(connection_->atom("_QUILLSTACK_SELECTION")), incr_(connection_->atom("INCR")),
      wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

X11SelectionReader::~X11SelectionReader() {
    if (window_ != XCB_NONE) {
        xcb_destroy_window(connection_->get(), window_);
        xcb_flush(connection_->get());
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

void X11SelectionReader::renew() {
    xcb_connection_t* c = connection_->get();
    if (window_ != XCB_NONE) {
        xcb_destroy_window(c, window_);
    }
    window_ = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, connection_->root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    // Whatever arrived for the old window is of no use any more.
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        std::free(event);
    }
}

void X11SelectionReader::cancel() {
    cancelled_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

template <typename Matches>
xcb_generic_event_t* X11SelectionReader::waitFor(Matches matches, Clock::time_point until) {
    xcb_connection_t* c = connection_->get();
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if (matches(event)) {
                return event;
            }
            std::free(event);
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
        if (cancelled_ || left <= 0 || connection_->hasError()) {
            return nullptr;
        }
        pollfd descriptors[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        ::poll(descriptors, 2, int(std::min<long long>(left, 60'000)));
    }
}

std::optional<xcb_atom_t> X11SelectionReader::takeProperty(const Sink& sink, qint64& total) {
    xcb_connection_t* c = connection_->get();
    std::optional<xcb_atom_t> type;
    for (uint32_t offset = 0;;) {
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c,
            xcb_get_property(c, 0, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, offset,
                             propertyChunkUnits),
            nullptr));
        if (!reply || (reply->type != XCB_ATOM_NONE && reply->format != 8 && reply->format != 16 &&
                       reply->format != 32)) {
            return std::nullopt;
        }
        if (reply->type == XCB_ATOM_NONE) {
            break; // gone (or never set): an empty value
        }
        type = reply->type;
        const int bytes = xcb_get_property_value_length(reply.get());
        total += bytes;
        if (total > maxValueBytes) {
            return std::nullopt;
        }
        if (bytes > 0) {
            sink.append(QByteArrayView(
                static_cast<const char*>(xcb_get_property_value(reply.get())), bytes));
        }
        if (reply->bytes_after == 0 || bytes == 0) {
            break;
        }
        offset += uint32_t(bytes) / 4;
    }
    // Deleting the property tells an owner in an incremental transfer to send the next piece.
    xcb_delete_property(c, window_, property_);
    xcb_flush(c);
    return type.value_or(xcb_atom_t(XCB_ATOM_NONE));
}

X11SelectionReader::Outcome X11SelectionReader::readIncrements(const Sink& sink,
                                                               Clock::time_point transferEnd) {
    const auto isNewValue = [this](const xcb_generic_event_t* event) {
        if (responseType(event) != XCB_PROPERTY_NOTIFY) {
            return false;
        }
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        return notify->window == window_ && notify->atom == property_ &&
               notify->state == XCB_PROPERTY_NEW_VALUE;
    };
    qint64 total = 0;
    for (;;) {
        EventPtr event(waitFor(isNewValue, std::min(Clock::now() + timeout_, transferEnd)));
        if (!event) {
            return Outcome::timedOut;
        }
        const qint64 before = total;
        const std::optional<xcb_atom_t> type = takeProperty(sink, total);
        if (!type) {
            return Outcome::timedOut;
        }
        if (*type != XCB_ATOM_NONE && total == before) {
            return Outcome::converted; // the empty piece ends the transfer
        }
    }
}

X11SelectionReader::Outcome X11SelectionReader::readValue(xcb_atom_t type, const Sink& sink,
                                                          Clock::time_point transferEnd) {
    xcb_connection_t* c = connection_->get();
    if (type != incr_) {
        qint64 total = 0;
        return takeProperty(sink, total) ? Outcome::converted : Outcome::timedOut;
    }
    // The INCR property holds the owner's estimate of the size; deleting it starts the transfer.
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr));
    xcb_delete_property(c, window_, property_);
    xcb_flush(c);
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 4 &&
        sink.expect) {
        const quint32 estimate = *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
        sink.expect(std::min<qint64>(estimate, maxValueBytes));
    }
    return readIncrements(sink, transferEnd);
}

X11SelectionReader::Outcome X11SelectionReader::convert(const QByteArray& target,
                                                        const Sink& sink) {
    if (cancelled_) {
        return Outcome::timedOut;
    }
    xcb_connection_t* c = connection_->get();
    if (window_ == XCB_NONE) {
        renew();
    }
    const xcb_atom_t targetAtom = connection_->atom(target.constData());
    if (targetAtom == XCB_ATOM_NONE) {
        return Outcome::refused;
    }
    xcb_delete_property(c, window_, property_);
    xcb_convert_selection(c, window_, clipboard_, targetAtom, property_, XCB_CURRENT_TIME);
    xcb_flush(c);

    const Clock::time_point start = Clock::now();
    const auto isAnswer = [&](const xcb_generic_event_t* event) {
        if (responseType(event) != XCB_SELECTION_NOTIFY) {
            return false;
        }
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        return notify->requestor == window_ && notify->selection == clipboard_ &&
               notify->target == targetAtom;
    };
    EventPtr answer(waitFor(isAnswer, start + timeout_));
    if (!answer) {
        return Outcome::timedOut;
    }
    if (reinterpret_cast<const xcb_selection_notify_event_t*>(answer.get())->property ==
        XCB_ATOM_NONE) {
        return Outcome::refused;
    }
    XcbReply<xcb_get_property_reply_t> head(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr));
    if (!head) {
        return Outcome::timedOut;
    }
    return readValue(head->type, sink, start + transferTimeouts * timeout_);
}

X11SelectionReader::Outcome X11SelectionReader::convert(const QByteArray& target,
                                                        QByteArray& value) {
    value.clear();
    const Sink sink{
        [&value](qint64 bytes) { value.reserve(bytes); },
        [&value](QByteArrayView piece) { value.append(piece); },
    };
    const Outcome outcome = convert(target, sink);
    if (outcome != Outcome::converted) {
        value = QByteArray();
    }
    return outcome;
}

std::optional<QList<QByteArray>> X11SelectionReader::targets(Outcome* outcome) {
    QByteArray value;
    const Outcome converted = convert(QByteArrayLiteral("TARGETS"), value);
    if (outcome) {
        *outcome = converted;
    }
    if (converted != Outcome::converted) {
        return std::nullopt;
    }
    const qsizetype count = std::min(value.size() / qsizetype(sizeof(quint32)), maxTargets);
    QList<xcb_atom_t> atoms;
    for (qsizetype i = 0; i < count; ++i) {
        quint32 atom = 0;
        std::memcpy(&atom, value.constData() + i * qsizetype(sizeof atom), sizeof atom);
        if (!atoms.contains(atom)) {
            atoms.append(atom);
        }
    }
    // Atom names never change while the server runs: ask only for new ones, all at once.
    xcb_connection_t* c = connection_->get();
    QHash<xcb_atom_t, xcb_get_atom_name_cookie_t> asked;
    for (const xcb_atom_t atom : std::as_const(atoms)) {
        if (!atomNames_.contains(atom)) {
            asked.insert(atom, xcb_get_atom_name(c, atom));
        }
    }
    for (auto it = asked.cbegin(); it != asked.cend(); ++it) {
        XcbReply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(c, it.value(), nullptr));
        if (reply) {
            atomNames_.insert(it.key(), QByteArray(xcb_get_atom_name_name(reply.get()),
                                                   xcb_get_atom_name_name_length(reply.get())));
        }
    }
    QList<QByteArray> result;
    for (const xcb_atom_t atom : std::as_const(atoms)) {
        if (const auto name = atomNames_.constFind(atom); name != atomNames_.cend()) {
            result.append(*name);
        }
    }
    return result;
}

} // namespace quillstack
