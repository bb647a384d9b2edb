#include "store/PasteDelivery.h"
#include "platform/memory/MemoryAccessibilityTrust.h"
#include "platform/memory/MemoryFallbackKeystroke.h"
#include "platform/memory/MemoryKeystrokePoster.h"
#include "platform/memory/MemoryPasteboard.h"
#include "platform/memory/MemoryWorkspace.h"
#include "store/PasteboardMonitor.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

using Source = KeystrokePoster::Source;
using Phase = KeystrokePoster::Phase;
using Posted = MemoryKeystrokePoster::Posted;

struct DeliveryFixture : testing::Test {
    MemoryPasteboard pasteboard;
    MemoryWorkspace workspace;
    MemoryAccessibilityTrust trust{true};
    MemoryKeystrokePoster keystrokes;
    MemoryFallbackKeystroke fallback;
    QList<ClipboardEntry> recorded;
    PasteboardMonitor monitor{&pasteboard, &workspace,
                              [this](ClipboardEntry e) { recorded.append(std::move(e)); }};
    std::unique_ptr<PasteDelivery> delivery = std::make_unique<PasteDelivery>(
        PasteDelivery::Services{&pasteboard, &workspace, &trust, &keystrokes, &fallback}, monitor);

    void frontWindowOfClass(const QString& windowClass) {
        workspace.setFrontmostApplication(RunningApplication{42, windowClass});
    }
    // Sends the keystroke and gives the delayed fallback time to run; returns what went to
    // standard error meanwhile.
    std::string sendAndSettle() {
        testing::internal::CaptureStderr();
        delivery->sendCommandV();
        test::spin(PasteDelivery::fallbackDelay * 4);
        return testing::internal::GetCapturedStderr();
    }
    bool waitForPoll() {
        return test::waitUntil([&] {
            return monitor.lastChangeCount() == pasteboard.changeCount() && !monitor.isCapturing();
        });
    }
};

TEST_F(DeliveryFixture, PrepareForPasteWritesTheEntryAndTheNextPollConsumesIt) {
    pasteboard.offer(Pasteboard::stringType(), QStringLiteral("chosen entry"));
    const auto entry = ClipboardEntry::capture(pasteboard, QStringLiteral("org.example.Editor"));
    ASSERT_TRUE(entry.has_value());
    pasteboard.clearContents();
    monitor.startMonitoring();

    delivery->prepareForPaste(*entry);
    EXPECT_TRUE(monitor.isIgnoringNext());
    EXPECT_EQ(pasteboard.string(Pasteboard::stringType()), QStringLiteral("chosen entry"));
    ASSERT_TRUE(waitForPoll());
    EXPECT_TRUE(recorded.isEmpty());
    EXPECT_FALSE(monitor.isIgnoringNext());

    pasteboard.offer(Pasteboard::stringType(), QStringLiteral("next copy"));
    ASSERT_TRUE(waitForPoll());
    ASSERT_EQ(recorded.size(), 1);
    EXPECT_EQ(recorded.first().text(), QStringLiteral("next copy"));
}

TEST_F(DeliveryFixture, TrustedPostsKeyDownThenKeyUpFromThePrimarySource) {
    frontWindowOfClass(QStringLiteral("firefox"));
    EXPECT_EQ(sendAndSettle(), "");
    EXPECT_EQ(keystrokes.posted(),
              (QList<Posted>{{Source::primary, PasteChord::controlV, Phase::keyDown},
                             {Source::primary, PasteChord::controlV, Phase::keyUp}}));
    EXPECT_EQ(trust.promptCount(), 0);
    EXPECT_FALSE(delivery->hasPromptedForAccessibility());
    EXPECT_TRUE(fallback.runs().isEmpty());
}

TEST_F(DeliveryFixture, TrustedFallsBackToTheSecondSourceAndStopsWithoutAny) {
    keystrokes.setSourceAvailable(Source::primary, false);
    delivery->sendCommandV();
    EXPECT_EQ(keystrokes.posted(),
              (QList<Posted>{{Source::fallback, PasteChord::controlV, Phase::keyDown},
                             {Source::fallback, PasteChord::controlV, Phase::keyUp}}));

    MemoryKeystrokePoster none;
    none.setSourceAvailable(Source::primary, false);
    none.setSourceAvailable(Source::fallback, false);
    PasteDelivery silent({&pasteboard, &workspace, &trust, &none, &fallback}, monitor);
    testing::internal::CaptureStderr();
    silent.sendCommandV();
    test::spin(PasteDelivery::fallbackDelay * 4);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(none.posted().isEmpty());
    EXPECT_TRUE(fallback.runs().isEmpty());
}

TEST_F(DeliveryFixture, TrustedPostsEachHalfThatCanBeMade) {
    keystrokes.setEventsCreatable(Phase::keyDown, false);
    delivery->sendCommandV();
    EXPECT_EQ(keystrokes.posted(),
              (QList<Posted>{{Source::primary, PasteChord::controlV, Phase::keyUp}}));
    keystrokes.setEventsCreatable(Phase::keyDown, true);
    keystrokes.setEventsCreatable(Phase::keyUp, false);
    delivery->sendCommandV();
    EXPECT_EQ(keystrokes.posted().size(), 2);
    EXPECT_EQ(keystrokes.posted().last().phase, Phase::keyDown);
}

TEST_F(DeliveryFixture, TerminalsGetControlShiftV) {
    for (const char* terminal : {"Gnome-terminal", "gnome-terminal-server", "kitty", "KONSOLE",
                                 "org.wezfurlong.wezterm", "Alacritty", "XTerm"}) {
        frontWindowOfClass(QString::fromLatin1(terminal));
        delivery->sendCommandV();
        EXPECT_EQ(keystrokes.posted().last().chord, PasteChord::controlShiftV) << terminal;
    }
    for (const char* other : {"firefox", "Gedit", "terminal-notes", "kittyhawk", ""}) {
        frontWindowOfClass(QString::fromLatin1(other));
        delivery->sendCommandV();
        EXPECT_EQ(keystrokes.posted().last().chord, PasteChord::controlV) << other;
    }
    workspace.setFrontmostApplication(std::nullopt);
    delivery->sendCommandV();
    EXPECT_EQ(keystrokes.posted().last().chord, PasteChord::controlV);

    // The fallback keystroke uses the same chord.
    trust.setTrusted(false);
    frontWindowOfClass(QStringLiteral("foot"));
    sendAndSettle();
    EXPECT_EQ(fallback.runs(), QList<PasteChord>{PasteChord::controlShiftV});
}

TEST_F(DeliveryFixture, UntrustedAtLaunchPromptsOnceAndRunsTheFallbackLater) {
    trust.setTrusted(false);
    delivery->requestAccessibilityPermissionIfNeeded();
    delivery->requestAccessibilityPermissionIfNeeded();
    EXPECT_EQ(trust.promptCount(), 1);
    EXPECT_TRUE(delivery->hasPromptedForAccessibility());

    delivery->sendCommandV();
    EXPECT_TRUE(fallback.runs().isEmpty()); // only after the delay
    EXPECT_TRUE(test::waitUntil([&] { return fallback.runs().size() == 1; }));
    EXPECT_EQ(trust.promptCount(), 1);
    EXPECT_TRUE(keystrokes.posted().isEmpty());

    // A second paste: no new prompt, the fallback runs again because it worked.
    EXPECT_EQ(sendAndSettle(), "");
    EXPECT_EQ(fallback.runs().size(), 2);
    EXPECT_EQ(trust.promptCount(), 1);
    EXPECT_TRUE(delivery->appleScriptFallbackAllowed());
}

TEST_F(DeliveryFixture, TrustWithdrawnLaterPromptsAtTheFirstUntrustedPaste) {
    delivery->requestAccessibilityPermissionIfNeeded();
    EXPECT_EQ(trust.promptCount(), 0);
    EXPECT_FALSE(delivery->hasPromptedForAccessibility());

    trust.setTrusted(false);
    sendAndSettle();
    sendAndSettle();
    EXPECT_EQ(trust.promptCount(), 1);
    EXPECT_EQ(fallback.runs().size(), 2);

    // Granted again: the next paste posts the keystroke at once.
    trust.setTrusted(true);
    delivery->sendCommandV();
    EXPECT_EQ(keystrokes.posted().size(), 2);
}

TEST_F(DeliveryFixture, AFailedFallbackReportsOneLineAndIsNotTriedAgain) {
    trust.setTrusted(false);
    fallback.setFailure(QStringLiteral("xdotool exited with status 1:\nCan't open display"));
    EXPECT_EQ(sendAndSettle(), "Quillstack: AppleScript paste fallback failed: xdotool exited "
                               "with status 1: Can't open display\n");
    EXPECT_FALSE(delivery->appleScriptFallbackAllowed());

    fallback.setFailure(std::nullopt);
    EXPECT_EQ(sendAndSettle(), "");
    EXPECT_EQ(fallback.runs().size(), 1);
    EXPECT_EQ(trust.promptCount(), 1);
}

// A fallback that cannot be built is no failure; one still scheduled dies with its owner.
TEST_F(DeliveryFixture, AFallbackThatCannotBeBuiltOrOutlivesItsOwnerDoesNothing) {
    trust.setTrusted(false);
    fallback.setBuildable(false);
    EXPECT_EQ(sendAndSettle(), "");
    EXPECT_TRUE(fallback.runs().isEmpty());
    EXPECT_TRUE(delivery->appleScriptFallbackAllowed());

    fallback.setBuildable(true);
    delivery->sendCommandV();
    delivery.reset();
    test::spin(PasteDelivery::fallbackDelay * 4);
    EXPECT_TRUE(fallback.runs().isEmpty());
}

TEST_F(DeliveryFixture, AbsentServicesMeanUntrustedAndNothingToRun) {
    PasteDelivery bare({}, monitor);
    testing::internal::CaptureStderr();
    bare.requestAccessibilityPermissionIfNeeded();
    bare.sendCommandV();
    test::spin(PasteDelivery::fallbackDelay * 4);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(bare.hasPromptedForAccessibility());
    EXPECT_TRUE(bare.appleScriptFallbackAllowed());
}

} // namespace
