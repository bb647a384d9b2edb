#include "store/PasteDelivery.h"

#include "entries/ClipboardEntry.h"
#include "platform/AccessibilityTrust.h"
#include "platform/FallbackKeystroke.h"
#include "platform/KeystrokePoster.h"
#include "platform/PasteChord.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "store/PasteboardMonitor.h"

#include <QTimer>

#include <cstdio>

namespace quillstack {

namespace {

// The chord for the window that has the focus now.
PasteChord chordForFrontWindow(const Workspace* workspace) {
    if (!workspace) {
        return PasteChord::controlV;
    }
    const auto front = workspace->frontmostApplication();
    return pasteChordForWindowClass(front ? front->bundleIdentifier : std::nullopt);
}

} // namespace

PasteDelivery::PasteDelivery(Services services, PasteboardMonitor& monitor, QObject* parent)
    : QObject(parent), services_(services), monitor_(monitor) {}

void PasteDelivery::prepareForPaste(const ClipboardEntry& entry) {
    monitor_.ignoreNext();
    if (services_.pasteboard) {
        entry.write(*services_.pasteboard);
    }
}

void PasteDelivery::requestAccessibilityPermissionIfNeeded() {
    if (services_.trust && services_.trust->isProcessTrusted()) {
        return;
    }
    if (hasPromptedForAccessibility_) {
        return;
    }
    hasPromptedForAccessibility_ = true;
    if (services_.trust) {
        services_.trust->requestPrompt();
    }
}

void PasteDelivery::sendCommandV() {
    if (services_.trust && services_.trust->isProcessTrusted()) {
        postKeystroke();
        return;
    }
    requestAccessibilityPermissionIfNeeded();
    if (!appleScriptFallbackAllowed_) {
        return;
    }
    // The context object drops the call when this object is gone by then.
    QTimer::singleShot(fallbackDelay, this, &PasteDelivery::runFallbackKeystroke);
}

void PasteDelivery::postKeystroke() {
    KeystrokePoster* poster = services_.keystrokes;
    if (!poster) {
        return;
    }
    using Source = KeystrokePoster::Source;
    using Phase = KeystrokePoster::Phase;
    Source source = Source::primary;
    if (!poster->openSource(source)) {
        source = Source::fallback;
        if (!poster->openSource(source)) {
            return;
        }
    }
    const PasteChord chord = chordForFrontWindow(services_.workspace);
    // Key-down and key-up follow each other at once; a half that cannot be made is skipped.
    poster->post(source, chord, Phase::keyDown);
    poster->post(source, chord, Phase::keyUp);
}

void PasteDelivery::runFallbackKeystroke() {
    FallbackKeystroke* fallback = services_.fallback;
    const PasteChord chord = chordForFrontWindow(services_.workspace);
    if (!fallback || !fallback->canBuild(chord)) {
        return;
    }
    if (const auto failure = fallback->run(chord)) {
        appleScriptFallbackAllowed_ = false;
        const QByteArray line =
            QByteArray(fallbackFailurePrefix) + failure->simplified().toUtf8() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }
}

} // namespace quillstack
