#include "platform/x11/X11AccessibilityTrust.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/XcbReply.h"

namespace quillstack {

X11AccessibilityTrust::X11AccessibilityTrust(QByteArray extension)
    : extension_(std::move(extension)), connection_(X11Connection::open()) {}

X11AccessibilityTrust::~X11AccessibilityTrust() = default;

bool X11AccessibilityTrust::isProcessTrusted() const {
    if (!connection_ || connection_->hasError()) {
        return false;
    }
    xcb_connection_t* c = connection_->get();
    const XcbReply<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(
        c, xcb_query_extension(c, uint16_t(extension_.size()), extension_.constData()), nullptr));
    return reply && reply->present;
}

} // namespace quillstack
