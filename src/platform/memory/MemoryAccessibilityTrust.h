#pragma once

#include "platform/AccessibilityTrust.h"

namespace quillstack {

// A trust answer set by the test; prompt requests are counted.
class MemoryAccessibilityTrust : public AccessibilityTrust {
public:
    explicit MemoryAccessibilityTrust(bool trusted = true) : trusted_(trusted) {}

    bool isProcessTrusted() const override { return trusted_; }
    void requestPrompt() override { ++prompts_; }

    void setTrusted(bool trusted) { trusted_ = trusted; }
    int promptCount() const { return prompts_; }

private:
    bool trusted_;
    int prompts_ = 0;
};

} // namespace quillstack
