#pragma once

#include "entries/ClipboardEntry.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace quillstack {

class Pasteboard;
class Workspace;

// The clipboard polling loop. Each tick of a 0.35 s timer on the main event loop queues a poll;
// a poll that sees the change counter moved records the clipboard's contents once, through the
// sink, with the front application's identifier as the source.
//
// The poll runs on the GUI thread up to the front application; the reading (the password
// manager's mark, then the capture) runs on a worker thread, and the entry comes back to the
// sink on the GUI thread. Polls stay serial: while a capture runs, ticks poll nothing, and a
// change that arrived meanwhile is polled at the first tick after the capture has ended. A
// capture during which the program wrote the clipboard itself (ignoreNext armed meanwhile) may
// have read that write and is not recorded.
//
// Without a change notification the timer runs for as long as monitoring does. Once wakeOn()
// has connected a change notification, the timer only runs while a change is waiting: a change
// is polled at the next tick of the same 0.35 s grid, and an idle clipboard costs nothing.
class PasteboardMonitor : public QObject {
    Q_OBJECT

public:
    using Sink = std::function<void(ClipboardEntry)>;

    static constexpr std::chrono::milliseconds pollInterval{350};

    // The MIME type by which password managers mark contents that must not be kept.
    static const QString& secretMarkType();

    // Takes the baseline change counter. Null services are treated as absent: no pasteboard
    // means a counter of 0 and nothing to capture, no workspace means no source.
    PasteboardMonitor(Pasteboard* pasteboard, Workspace* workspace, Sink sink,
                      QObject* parent = nullptr);
    // Waits for a capture under way; its entry is dropped.
    ~PasteboardMonitor() override;

    // Starts the loop with a fresh baseline; ignored while it runs.
    void startMonitoring();
    // Stops the loop; a later start begins afresh.
    void stopMonitoring();
    bool isMonitoring() const { return running_; }

    // Makes the next change seen be consumed without being recorded (the program's own write).
    // Stays armed while monitoring is stopped.
    void ignoreNext() { ignoreNext_ = true; }
    bool isIgnoringNext() const { return ignoreNext_; }

    qint64 lastChangeCount() const { return lastChangeCount_; }

    // Whether the tick timer is running now (for tests and measurements).
    bool isTicking() const { return timer_.isActive(); }
    // Whether a capture is under way on the worker.
    bool isCapturing() const { return capturing_; }

    // Lets the sender's signal announce clipboard changes, so that the timer runs only while a
    // change waits to be polled.
    template <typename Sender, typename Signal> void wakeOn(const Sender* sender, Signal signal) {
        connect(sender, signal, this, &PasteboardMonitor::noteChange);
        setChangeNotified(true);
    }

public slots:
    // The clipboard has changed: make sure a tick comes.
    void noteChange();

private:
    void setChangeNotified(bool notified);
    void tick();
    void poll();
    void startCapture(std::optional<QString> source);
    void finishCapture(std::optional<ClipboardEntry> entry);

    Pasteboard* pasteboard_;
    Workspace* workspace_;
    Sink sink_;
    QTimer timer_;
    QElapsedTimer grid_;
    qint64 lastChangeCount_ = 0;
    bool ignoreNext_ = false;
    bool running_ = false;
    bool changeNotified_ = false;
    bool capturing_ = false;
    // Started at the first capture; captureContext_ lives on it.
    std::unique_ptr<QThread> worker_;
    QObject* captureContext_ = nullptr;
};

} // namespace quillstack
