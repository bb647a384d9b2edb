#pragma once

#include "platform/PlatformChoice.h"

#include <QHash>
#include <QString>

#include <memory>

namespace quillstack {

class AccessibilityTrust;
class FallbackKeystroke;
class KeystrokePoster;
class WaylandConnection;
class WaylandPasteboard;
class Workspace;

// The Wayland desktop services on one private connection, each made from what the start-up
// choice picked. A capability the choice found missing is served by a stand-in that does
// nothing (no front window, no keys).
class WaylandServices {
public:
    // Connects to the compositor named by WAYLAND_DISPLAY; nothing when none answers.
    static std::unique_ptr<WaylandServices> connect();
    ~WaylandServices();

    // The globals the compositor advertises to this program.
    QHash<QString, quint32> globals() const;

    // Makes the services the choice names and starts the connection's thread. Once only.
    void build(const PlatformChoice& choice);

    // Null before build() or when the choice has no Wayland clipboard.
    WaylandPasteboard* pasteboard() const { return pasteboard_.get(); }
    Workspace* workspace() const { return workspace_.get(); }
    KeystrokePoster* keystrokes() const { return keystrokes_.get(); }
    AccessibilityTrust* trust() const { return trust_.get(); }
    // Null when wtype is not there.
    FallbackKeystroke* fallback() const { return fallback_.get(); }

private:
    explicit WaylandServices(std::unique_ptr<WaylandConnection> connection);

    std::unique_ptr<WaylandConnection> connection_;
    std::unique_ptr<WaylandPasteboard> pasteboard_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<KeystrokePoster> keystrokes_;
    std::unique_ptr<AccessibilityTrust> trust_;
    std::unique_ptr<FallbackKeystroke> fallback_;
};

} // namespace quillstack
