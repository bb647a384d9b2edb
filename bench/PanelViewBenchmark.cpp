// The panel's views with 200 entries, 40 of them images: the time from show() to the first
// painted frame, and one keystroke's re-filter and repaint once its query takes effect.

// The shortcut types before the panel's: HistoryFilter's qHash would hide theirs.
#include "settings/AppSettings.h"

#include "SampleHistory.h"

#include "app/PastePanelController.h"
#include "panel/ContentView.h"
#include "panel/PanelViewModel.h"
#include "panel/RowPreviewCache.h"
#include "platform/memory/MemoryDataLocations.h"
#include "platform/memory/MemoryLoginItemService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace quillstack;

namespace {

// Notes when the list's viewport is painted.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return false;
    }
};

struct Panel {
    QTemporaryDir dir;
    MemoryDataLocations locations{dir.path(), dir.path()};
    MemoryLoginItemService loginItems;
    AppSettings settings{locations, loginItems};
    ClipboardManager manager{ClipboardManager::Services{.locations = &locations}};
    std::unique_ptr<PanelViewModel> model;
    std::unique_ptr<PastePanelController> controller;
    PaintWatch watch;

    Panel() {
        sample::fill(manager, sample::large(200, 40, 1600, QDateTime::currentDateTime()));
        model = std::make_unique<PanelViewModel>(manager);
        controller = std::make_unique<PastePanelController>(manager, *model, settings);
        controller->contentView()->listView()->viewport()->installEventFilter(&watch);
    }

    // Runs the event loop until the list has been painted and the frame is out.
    void waitForFrame() {
        watch.painted = false;
        while (!watch.painted) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }

    QPointF centre() const { return PastePanelController::fromScreenCoordinates({960, 540}); }
};

std::unique_ptr<Panel> shared;

Panel& panel() {
    if (!shared) {
        shared = std::make_unique<Panel>();
    }
    return *shared;
}

// Cold: a freshly built panel whose previews and thumbnails are made as the rows are drawn.
void BM_FirstFrameCold(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto fresh = std::make_unique<Panel>();
        QCoreApplication::processEvents(); // no idle preparation yet: only this turn's work
        state.ResumeTiming();
        fresh->controller->show(fresh->centre());
        fresh->waitForFrame();
        state.PauseTiming();
        fresh->controller->hide();
        fresh.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstFrameCold)->Unit(benchmark::kMillisecond)->Iterations(3);

// Warm: the panel opened again, or after the idle preparation of new entries.
void BM_FirstFrame(benchmark::State& state) {
    Panel& p = panel();
    p.controller->contentView()->previewCache().prepareAll();
    for (auto _ : state) {
        p.controller->show(p.centre());
        p.waitForFrame();
        state.PauseTiming();
        p.controller->hide();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond);

// One keystroke: from the debounced query taking effect to the repainted list, alternating
// between a query that keeps about a fifth of the rows and no query.
void BM_KeystrokeRefilter(benchmark::State& state) {
    Panel& p = panel();
    p.controller->show(p.centre());
    p.waitForFrame();
    QElapsedTimer timer;
    QObject::connect(p.model.get(), &PanelViewModel::effectiveSearchQueryWillChange,
                     [&timer] { timer.start(); });
    bool typed = false;
    for (auto _ : state) {
        typed = !typed;
        p.model->setSearchQuery(typed ? QStringLiteral("code") : QString());
        const QString expected = typed ? QStringLiteral("code") : QString();
        while (p.model->effectiveSearchQuery() != expected) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        p.waitForFrame();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    p.controller->hide();
}
BENCHMARK(BM_KeystrokeRefilter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    shared.reset(); // before the application goes
    return 0;
}
