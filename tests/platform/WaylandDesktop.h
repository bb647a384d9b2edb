#pragma once

#include "platform/memory/MemoryPasteboard.h"
#include "platform/wayland/WaylandAccessibilityTrust.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WtypeFallbackKeystroke.h"
#include "store/PasteDelivery.h"
#include "store/PasteboardMonitor.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>

namespace quillstack::test {

// The program's Wayland services, wired as the store wires them, under a headless compositor:
// the clipboard through wlr data control, and the given front-window and keystroke services.
// Paste targets started meanwhile are native Wayland windows.
template <typename WorkspaceType, typename PosterType> struct WaylandDesktop {
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::connect();
    WaylandPasteboard pasteboard{*connection, DataControl::Protocol::wlr};
    WorkspaceType workspace{*connection};
    PosterType keystrokes{*connection};
    WaylandAccessibilityTrust trust;
    WtypeFallbackKeystroke fallback;
    QList<ClipboardEntry> recorded;
    PasteboardMonitor monitor{&pasteboard, &workspace,
                              [this](ClipboardEntry e) { recorded.append(std::move(e)); }};
    PasteDelivery delivery;

    explicit WaylandDesktop(bool keysGranted = true)
        : trust(keysGranted),
          delivery({&pasteboard, &workspace, &trust, &keystrokes, &fallback}, monitor) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        connection->roundtrip();
        connection->start();
        monitor.wakeOn(&pasteboard, &WaylandPasteboard::changed);
        monitor.startMonitoring();
    }
    ~WaylandDesktop() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

    bool inFront(const QString& appId) {
        return waitUntil([&] {
            const auto front = workspace.frontmostApplication();
            return front && front->bundleIdentifier == appId;
        });
    }
    void paste(const QString& text) {
        MemoryPasteboard board;
        board.offer(Pasteboard::stringType(), text);
        const qint64 before = pasteboard.changeCount();
        delivery.prepareForPaste(*ClipboardEntry::capture(board, std::nullopt));
        ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() != before; }));
        delivery.sendCommandV();
    }
};

} // namespace quillstack::test
