#pragma once

namespace quillstack {

// Whether the desktop lets this process post synthetic key events.
class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;

    // True when synthetic key events may be posted now. Asked again before every paste.
    virtual bool isProcessTrusted() const = 0;

    // Asks the desktop to show its permission prompt, where it has one.
    virtual void requestPrompt() = 0;
};

} // namespace quillstack
