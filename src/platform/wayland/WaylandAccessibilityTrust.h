#pragma once

#include "platform/AccessibilityTrust.h"

namespace quillstack {

// Under Wayland a program may send keys exactly when the compositor gave it a way to (a
// virtual keyboard, or KWin's fake input); that is known at start and does not change. There is
// no prompt to show.
class WaylandAccessibilityTrust : public AccessibilityTrust {
public:
    explicit WaylandAccessibilityTrust(bool granted) : granted_(granted) {}

    bool isProcessTrusted() const override { return granted_; }
    void requestPrompt() override {}

private:
    bool granted_;
};

} // namespace quillstack
