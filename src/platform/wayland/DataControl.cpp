#include "platform/wayland/DataControl.h"

#include "platform/wayland/PipeTransfer.h"
#include "platform/wayland/WaylandConnection.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QHash>
#include <QSet>

#include <unistd.h>

namespace quillstack {

namespace {

// The generated functions of one data-control protocol under common names, so that one
// implementation serves both.
#define QUILLSTACK_DATA_CONTROL_TRAITS(Traits, prefix)                                             \
    struct Traits {                                                                                \
        using Manager = prefix##_manager_v1;                                                       \
        using Device = prefix##_device_v1;                                                         \
        using Source = prefix##_source_v1;                                                         \
        using Offer = prefix##_offer_v1;                                                           \
        using DeviceListener = prefix##_device_v1_listener;                                        \
        using SourceListener = prefix##_source_v1_listener;                                        \
        using OfferListener = prefix##_offer_v1_listener;                                          \
        static constexpr const char* global = #prefix "_manager_v1";                               \
        static const wl_interface* managerInterface() { return &prefix##_manager_v1_interface; }   \
        static Device* getDevice(Manager* m, wl_seat* s) {                                         \
            return prefix##_manager_v1_get_data_device(m, s);                                      \
        }                                                                                          \
        static Source* createSource(Manager* m) {                                                  \
            return prefix##_manager_v1_create_data_source(m);                                      \
        }                                                                                          \
        static void destroy(Manager* m) { prefix##_manager_v1_destroy(m); }                        \
        static void destroy(Device* d) { prefix##_device_v1_destroy(d); }                          \
        static void destroy(Source* s) { prefix##_source_v1_destroy(s); }                          \
        static void destroy(Offer* o) { prefix##_offer_v1_destroy(o); }                            \
        static void setSelection(Device* d, Source* s) { prefix##_device_v1_set_selection(d, s); } \
        static void offer(Source* s, const char* type) { prefix##_source_v1_offer(s, type); }      \
        static void receive(Offer* o, const char* type, int fd) {                                  \
            prefix##_offer_v1_receive(o, type, fd);                                                \
        }                                                                                          \
        static void listen(Device* d, const DeviceListener* l, void* data) {                       \
            prefix##_device_v1_add_listener(d, l, data);                                           \
        }                                                                                          \
        static void listen(Source* s, const SourceListener* l, void* data) {                       \
            prefix##_source_v1_add_listener(s, l, data);                                           \
        }                                                                                          \
        static void listen(Offer* o, const OfferListener* l, void* data) {                         \
            prefix##_offer_v1_add_listener(o, l, data);                                            \
        }                                                                                          \
    };

QUILLSTACK_DATA_CONTROL_TRAITS(ExtProtocol, ext_data_control)
QUILLSTACK_DATA_CONTROL_TRAITS(WlrProtocol, zwlr_data_control)
#undef QUILLSTACK_DATA_CONTROL_TRAITS

template <typename P> class DataControlOf final : public DataControl {
public:
    DataControlOf(typename P::Manager* manager, wl_seat* seat, SelectionHandler handler)
        : manager_(manager), device_(P::getDevice(manager, seat)), handler_(std::move(handler)) {
        static const typename P::DeviceListener listener = {
            .data_offer = &DataControlOf::onDataOffer,
            .selection = &DataControlOf::onSelection,
            .finished = &DataControlOf::onFinished,
            .primary_selection = &DataControlOf::onPrimarySelection,
        };
        P::listen(device_, &listener, this);
    }

    ~DataControlOf() override {
        for (auto it = offers_.begin(); it != offers_.end(); ++it) {
            P::destroy(it.key());
        }
        for (typename P::Source* source : std::as_const(sources_)) {
            P::destroy(source);
        }
        if (device_) {
            P::destroy(device_);
        }
        P::destroy(manager_);
    }

    void setSelection(std::shared_ptr<const OwnedSelection> selection) override {
        if (!device_) {
            return;
        }
        // A source that was the selection is released when the compositor cancels it; releasing
        // it here would first empty the selection, a change of its own.
        source_ = nullptr;
        own_.reset();
        if (!selection || selection->isEmpty()) {
            P::setSelection(device_, nullptr);
            return;
        }
        static const typename P::SourceListener listener = {
            .send = &DataControlOf::onSend,
            .cancelled = &DataControlOf::onCancelled,
        };
        source_ = P::createSource(manager_);
        sources_.insert(source_);
        P::listen(source_, &listener, this);
        for (const auto& [type, bytes] : *selection) {
            P::offer(source_, type.toUtf8().constData());
        }
        own_ = std::move(selection);
        P::setSelection(device_, source_);
    }

    bool receive(quint64 generation, const QString& type, int fd) override {
        if (generation != generation_ || !current_) {
            ::close(fd);
            return false;
        }
        P::receive(current_, type.toUtf8().constData(), fd);
        ::close(fd);
        return true;
    }

    bool isValid() const override { return device_ != nullptr; }

private:
    static DataControlOf* self(void* data) { return static_cast<DataControlOf*>(data); }

    static void onDataOffer(void* data, typename P::Device*, typename P::Offer* offer) {
        static const typename P::OfferListener listener = {.offer = &DataControlOf::onOfferType};
        self(data)->offers_.insert(offer, {});
        P::listen(offer, &listener, data);
    }

    static void onOfferType(void* data, typename P::Offer* offer, const char* type) {
        auto it = self(data)->offers_.find(offer);
        if (it != self(data)->offers_.end()) {
            it->append(QString::fromUtf8(type));
        }
    }

    void forget(typename P::Offer* offer) {
        if (offer && offers_.remove(offer)) {
            P::destroy(offer);
        }
    }

    static void onSelection(void* data, typename P::Device*, typename P::Offer* offer) {
        DataControlOf* that = self(data);
        if (that->current_ != offer) {
            that->forget(that->current_);
        }
        that->current_ = offer;
        ++that->generation_;
        Selection selection;
        selection.generation = that->generation_;
        selection.types = offer ? that->offers_.value(offer) : QStringList();
        // While our source has not been cancelled, the selection is the one we set.
        selection.own = that->source_ ? that->own_ : nullptr;
        that->handler_(selection);
    }

    static void onPrimarySelection(void* data, typename P::Device*, typename P::Offer* offer) {
        DataControlOf* that = self(data);
        if (offer != that->current_) {
            that->forget(offer);
        }
    }

    static void onFinished(void* data, typename P::Device* device) {
        DataControlOf* that = self(data);
        P::destroy(device);
        that->device_ = nullptr;
    }

    static void onSend(void* data, typename P::Source* source, const char* type, int32_t fd) {
        DataControlOf* that = self(data);
        const QString wanted = QString::fromUtf8(type);
        if (source == that->source_ && that->own_) {
            for (const auto& [offered, bytes] : *that->own_) {
                if (offered == wanted) {
                    PipeTransfer::writeDetached(fd, bytes);
                    return;
                }
            }
        }
        ::close(fd);
    }

    static void onCancelled(void* data, typename P::Source* source) {
        DataControlOf* that = self(data);
        that->sources_.remove(source);
        P::destroy(source);
        if (source == that->source_) {
            that->source_ = nullptr;
            that->own_.reset();
        }
    }

    typename P::Manager* manager_;
    typename P::Device* device_;
    SelectionHandler handler_;
    QHash<typename P::Offer*, QStringList> offers_;
    typename P::Offer* current_ = nullptr;
    quint64 generation_ = 0;
    typename P::Source* source_ = nullptr;
    QSet<typename P::Source*> sources_;
    std::shared_ptr<const OwnedSelection> own_;
};

template <typename P>
std::unique_ptr<DataControl> makeDataControl(WaylandConnection& connection,
                                             DataControl::SelectionHandler handler) {
    if (!connection.seat()) {
        return nullptr;
    }
    auto* manager =
        static_cast<typename P::Manager*>(connection.bind(P::global, P::managerInterface(), 1));
    if (!manager) {
        return nullptr;
    }
    return std::make_unique<DataControlOf<P>>(manager, connection.seat(), std::move(handler));
}

} // namespace

std::unique_ptr<DataControl> DataControl::create(WaylandConnection& connection, Protocol protocol,
                                                 SelectionHandler handler) {
    if (protocol == Protocol::ext) {
        return makeDataControl<ExtProtocol>(connection, std::move(handler));
    }
    return makeDataControl<WlrProtocol>(connection, std::move(handler));
}

} // namespace quillstack
