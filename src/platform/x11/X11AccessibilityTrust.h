#pragma once

#include "platform/AccessibilityTrust.h"

#include <QByteArray>

#include <memory>

namespace quillstack {

class X11Connection;

// On X11 any client may post synthetic key events through the XTest extension, so the process
// is trusted exactly when the server offers XTest. There is no permission prompt to show.
class X11AccessibilityTrust : public AccessibilityTrust {
public:
    // The extension asked for can be changed, so that a test can meet a server without it.
    explicit X11AccessibilityTrust(QByteArray extension = QByteArrayLiteral("XTEST"));
    ~X11AccessibilityTrust() override;

    bool isProcessTrusted() const override;
    void requestPrompt() override {}

private:
    QByteArray extension_;
    std::unique_ptr<X11Connection> connection_;
};

} // namespace quillstack
