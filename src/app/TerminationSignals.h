#pragma once

#include <QObject>

class QSocketNotifier;

namespace quillstack {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered on the GUI thread, so that a
// request to end the process from outside takes the same path as "Quit Quillstack". The Unix
// handler only writes a byte to a pipe; the event loop reads it. One instance per process.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Gives the signals back their default handling.
    ~TerminationSignals() override;

    bool isInstalled() const { return notifier_ != nullptr; }

signals:
    void terminationRequested(int signalNumber);

private:
    void drain();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace quillstack
