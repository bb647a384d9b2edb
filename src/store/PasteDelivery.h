#pragma once

#include <QObject>
#include <QString>

#include <chrono>

namespace quillstack {

class AccessibilityTrust;
class ClipboardEntry;
class FallbackKeystroke;
class KeystrokePoster;
class Pasteboard;
class PasteboardMonitor;
class Workspace;

// Puts a chosen entry back on the clipboard and makes the focused window paste it: with a
// synthetic keystroke when the desktop allows one, otherwise with the fallback keystroke
// service, which is given up for the run after its first failure.
class PasteDelivery : public QObject {
    Q_OBJECT

public:
    // The desktop services used. Null ones are treated as absent: no trust service means not
    // trusted, no keystroke poster means no event source, no fallback means nothing to run, no
    // workspace means the paste goes to a window of unknown class (Control+V).
    struct Services {
        Pasteboard* pasteboard = nullptr;
        Workspace* workspace = nullptr;
        AccessibilityTrust* trust = nullptr;
        KeystrokePoster* keystrokes = nullptr;
        FallbackKeystroke* fallback = nullptr;
    };

    static constexpr std::chrono::milliseconds fallbackDelay{50};
    static constexpr const char* fallbackFailurePrefix =
        "Quillstack: AppleScript paste fallback failed: ";

    // The monitor is told to ignore the clipboard change of each write made here.
    PasteDelivery(Services services, PasteboardMonitor& monitor, QObject* parent = nullptr);

    // Arms the monitor's ignoreNext and writes the entry to the clipboard.
    void prepareForPaste(const ClipboardEntry& entry);

    // Asks for the desktop's permission prompt, at most once per run and only when untrusted.
    void requestAccessibilityPermissionIfNeeded();

    // Sends the paste keystroke to the focused window (see the class comment).
    void sendCommandV();

    bool hasPromptedForAccessibility() const { return hasPromptedForAccessibility_; }
    bool appleScriptFallbackAllowed() const { return appleScriptFallbackAllowed_; }

private:
    void postKeystroke();
    void runFallbackKeystroke();

    Services services_;
    PasteboardMonitor& monitor_;
    bool hasPromptedForAccessibility_ = false;
    bool appleScriptFallbackAllowed_ = true;
};

} // namespace quillstack
