#include "platform/wayland/WaylandServices.h"

#include "platform/wayland/FakeInputPoster.h"
#include "platform/wayland/PlasmaWindowWorkspace.h"
#include "platform/wayland/VirtualKeyboardPoster.h"
#include "platform/wayland/WaylandAccessibilityTrust.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WlrToplevelWorkspace.h"
#include "platform/wayland/WtypeFallbackKeystroke.h"

namespace quillstack {

namespace {

// Where the compositor names no window: nothing is in front, and nothing can be activated.
class AbsentWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() const override { return std::nullopt; }
    void activate(const RunningApplication&) override {}
    bool belongsToThisProcess(const RunningApplication&) const override { return false; }
};

} // namespace

std::unique_ptr<WaylandServices> WaylandServices::connect() {
    auto connection = WaylandConnection::connect();
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<WaylandServices>(new WaylandServices(std::move(connection)));
}

WaylandServices::WaylandServices(std::unique_ptr<WaylandConnection> connection)
    : connection_(std::move(connection)) {}

WaylandServices::~WaylandServices() {
    // The services release their objects on the connection's thread, before it stops.
    fallback_.reset();
    trust_.reset();
    keystrokes_.reset();
    workspace_.reset();
    pasteboard_.reset();
    connection_.reset();
}

QHash<QString, quint32> WaylandServices::globals() const {
    return connection_->globalVersions();
}

void WaylandServices::build(const PlatformChoice& choice) {
    using Choice = PlatformChoice;
    if (choice.clipboard == Choice::Clipboard::extDataControl ||
        choice.clipboard == Choice::Clipboard::wlrDataControl) {
        pasteboard_ = std::make_unique<WaylandPasteboard>(
            *connection_, choice.clipboard == Choice::Clipboard::extDataControl
                              ? DataControl::Protocol::ext
                              : DataControl::Protocol::wlr);
    }

    if (choice.frontWindow == Choice::FrontWindow::wlrForeignToplevel) {
        workspace_ = std::make_unique<WlrToplevelWorkspace>(*connection_);
    } else if (choice.frontWindow == Choice::FrontWindow::plasmaWindowManagement) {
        workspace_ = std::make_unique<PlasmaWindowWorkspace>(*connection_);
    } else {
        workspace_ = std::make_unique<AbsentWorkspace>();
    }

    bool keys = false;
    if (choice.keystroke == Choice::Keystroke::virtualKeyboard) {
        auto poster = std::make_unique<VirtualKeyboardPoster>(*connection_);
        keys = poster->isAvailable();
        keystrokes_ = std::move(poster);
    } else if (choice.keystroke == Choice::Keystroke::kdeFakeInput) {
        auto poster = std::make_unique<FakeInputPoster>(*connection_);
        keys = poster->isAvailable();
        keystrokes_ = std::move(poster);
    }
    trust_ = std::make_unique<WaylandAccessibilityTrust>(keys);
    if (choice.fallback == Choice::Fallback::wtype) {
        fallback_ = std::make_unique<WtypeFallbackKeystroke>();
    }
    // The compositor's first answers (the selection at start, the open windows) are in before
    // anything asks: the clipboard's counter starts from the selection found at start.
    connection_->roundtrip();
    connection_->start();
}

} // namespace quillstack
