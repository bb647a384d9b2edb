// The polling loop's cost while the clipboard is idle, and the delay from a change to its
// entry. Run: ./bench/monitor_bench
#include "platform/memory/MemoryPasteboard.h"
#include "store/PasteboardMonitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <benchmark/benchmark.h>

using namespace quillstack;

namespace {

// Context switches of the main thread so far: each one is a wake-up of the event loop.
qint64 contextSwitches() {
    QFile status(QStringLiteral("/proc/thread-self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    qint64 total = 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.contains("ctxt_switches:")) {
            total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return total;
}

void runEventLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// arg 0: the timer always runs (no change notification); arg 1: it runs only on a change.
void BM_IdleWakeups(benchmark::State& state) {
    const bool notified = state.range(0) == 1;
    constexpr auto idle = std::chrono::seconds(3);
    MemoryPasteboard pasteboard;
    QObject notifier;
    PasteboardMonitor monitor(&pasteboard, nullptr, [](ClipboardEntry) {});
    if (notified) {
        monitor.wakeOn(&notifier, &QObject::objectNameChanged);
    }
    monitor.startMonitoring();
    qint64 switches = 0;
    for (auto _ : state) {
        const qint64 before = contextSwitches();
        QElapsedTimer clock;
        clock.start();
        runEventLoop(idle);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        // The loop's own quit timer wakes it once; the rest is the monitor's.
        switches += std::max<qint64>(0, contextSwitches() - before - 1);
    }
    state.counters["wakeups_per_min"] =
        benchmark::Counter(double(switches) * 60.0 / double(std::chrono::seconds(idle).count()),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_IdleWakeups)->Arg(0)->Arg(1)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

// From a copy (and its change notification) to the entry in the sink. The change lands at a
// random point of the 0.35 s grid, so the delay lies between 0 and the interval.
void BM_CopyToEntry(benchmark::State& state) {
    MemoryPasteboard pasteboard;
    QObject notifier;
    bool recorded = false;
    PasteboardMonitor monitor(&pasteboard, nullptr, [&](ClipboardEntry) { recorded = true; });
    monitor.wakeOn(&notifier, &QObject::objectNameChanged);
    monitor.startMonitoring();
    int copy = 0;
    double worst = 0;
    for (auto _ : state) {
        runEventLoop(std::chrono::milliseconds(37 * (copy % 10))); // move along the grid
        recorded = false;
        QElapsedTimer clock;
        clock.start();
        pasteboard.offer(Pasteboard::stringType(), QStringLiteral("copy %1").arg(++copy));
        monitor.noteChange();
        while (!recorded) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(BM_CopyToEntry)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
