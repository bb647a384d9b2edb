#include "store/PasteboardMonitor.h"

#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <QThread>

namespace quillstack {

const QString& PasteboardMonitor::secretMarkType() {
    static const QString type = QStringLiteral("x-kde-passwordManagerHint");
    return type;
}

PasteboardMonitor::PasteboardMonitor(Pasteboard* pasteboard, Workspace* workspace, Sink sink,
                                     QObject* parent)
    : QObject(parent), pasteboard_(pasteboard), workspace_(workspace), sink_(std::move(sink)),
      timer_(this), lastChangeCount_(pasteboard ? pasteboard->changeCount() : 0) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PasteboardMonitor::tick);
}

PasteboardMonitor::~PasteboardMonitor() {
    if (worker_) {
        worker_->quit();
        worker_->wait();
    }
}

void PasteboardMonitor::startMonitoring() {
    if (running_) {
        return;
    }
    lastChangeCount_ = pasteboard_ ? pasteboard_->changeCount() : 0;
    running_ = true;
    grid_.start();
    if (!changeNotified_) {
        timer_.setSingleShot(false);
        timer_.start(pollInterval);
    }
}

void PasteboardMonitor::stopMonitoring() {
    timer_.stop();
    running_ = false;
}

void PasteboardMonitor::setChangeNotified(bool notified) {
    changeNotified_ = notified;
    if (running_ && changeNotified_ && !timer_.isSingleShot()) {
        timer_.stop();
        if (pasteboard_ && pasteboard_->changeCount() != lastChangeCount_) {
            noteChange();
        }
    }
}

void PasteboardMonitor::noteChange() {
    if (!running_ || !changeNotified_ || timer_.isActive()) {
        return;
    }
    // Wait for the next tick of the grid that started with monitoring, as an always-running
    // timer would have ticked.
    const qint64 interval = pollInterval.count();
    const qint64 untilTick = interval - grid_.elapsed() % interval;
    timer_.setSingleShot(true);
    timer_.start(std::chrono::milliseconds(untilTick));
}

void PasteboardMonitor::tick() {
    // The poll runs after the tick has returned, as its own task on the main loop.
    QMetaObject::invokeMethod(this, &PasteboardMonitor::poll, Qt::QueuedConnection);
}

void PasteboardMonitor::poll() {
    if (capturing_) {
        return; // finishCapture() looks at the counter again
    }
    if (!pasteboard_ || pasteboard_->changeCount() == lastChangeCount_) {
        return;
    }
    lastChangeCount_ = pasteboard_->changeCount();
    if (ignoreNext_) {
        ignoreNext_ = false;
        return;
    }
    std::optional<QString> source;
    if (workspace_) {
        if (const auto front = workspace_->frontmostApplication()) {
            source = front->bundleIdentifier;
        }
    }
    startCapture(std::move(source));
}

void PasteboardMonitor::startCapture(std::optional<QString> source) {
    if (!worker_) {
        worker_ = std::make_unique<QThread>();
        worker_->setObjectName(QStringLiteral("clipboard capture"));
        captureContext_ = new QObject;
        captureContext_->moveToThread(worker_.get());
        connect(worker_.get(), &QThread::finished, captureContext_, &QObject::deleteLater);
        worker_->start();
    }
    capturing_ = true;
    QMetaObject::invokeMethod(captureContext_, [this, pasteboard = pasteboard_, source] {
        std::optional<ClipboardEntry> entry;
        if (!pasteboard->hasType(secretMarkType())) {
            entry = ClipboardEntry::capture(*pasteboard, source);
        }
        QMetaObject::invokeMethod(
            this, [this, entry] { finishCapture(entry); }, Qt::QueuedConnection);
    });
}

void PasteboardMonitor::finishCapture(std::optional<ClipboardEntry> entry) {
    capturing_ = false;
    // The program wrote the clipboard while the capture ran (ignoreNext is armed only outside
    // polls): the later reads may have seen that write, which is never recorded. The user's copy
    // is lost as when the two fall into one interval.
    const bool ownWriteDuring =
        ignoreNext_ && pasteboard_ && pasteboard_->changeCount() != lastChangeCount_;
    if (entry && !ownWriteDuring) {
        sink_(std::move(*entry));
    }
    // A change that came while the capture ran waits for the next tick.
    if (running_ && pasteboard_ && pasteboard_->changeCount() != lastChangeCount_) {
        noteChange();
    }
}

} // namespace quillstack
