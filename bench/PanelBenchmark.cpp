// The panel recomputes its list on every read and formats each visible preview on every
// redraw, without caches; these measure the work of one such read or row.
#include "panel/PanelViewModel.h"
#include "panel/PreviewFormatter.h"
#include "platform/memory/MemoryDataLocations.h"
#include "store/ClipboardManager.h"

#include <benchmark/benchmark.h>

#include <QCryptographicHash>
#include <QGuiApplication>
#include <QTemporaryDir>

using namespace quillstack;

namespace {

ClipboardEntry entry(ClipboardKind kind, const QString& text) {
    const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256);
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind, text,
                          std::nullopt, std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt,
                          QString::fromLatin1(digest.toHex()), std::nullopt)
        .withBackfilledSearchIndex();
}

// 200 entries of search text near the 4,000-character cap, some with accented letters.
struct FullHistory {
    QTemporaryDir dir;
    MemoryDataLocations locations{dir.path(), dir.path()};
    ClipboardManager manager{ClipboardManager::Services{.locations = &locations}};
    FullHistory() {
        const QString words = QStringLiteral("lorem ipsum dolor sit amet café naïve ");
        for (int i = 0; i < ClipboardManager::maxEntries; ++i) {
            manager.insert(entry(i % 3 ? ClipboardKind::text : ClipboardKind::code,
                                 QString::number(i) + words.repeated(100)));
        }
    }
};

void waitForQuery(PanelViewModel& model, const QString& query) {
    model.setSearchQuery(query);
    while (model.effectiveSearchQuery() != PanelViewModel::normalizedQuery(query)) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void filterFullHistory(benchmark::State& state, const QString& query, HistoryFilter filter) {
    static FullHistory history;
    PanelViewModel model(history.manager);
    waitForQuery(model, query);
    model.setSelectedFilter(filter);
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.filteredEntries());
    }
    state.counters["visible"] = static_cast<double>(model.filteredEntries().size());
}

void BM_FilterNoMatch(benchmark::State& state) {
    filterFullHistory(state, QStringLiteral("zebra crossing"), HistoryFilter::all);
}
void BM_FilterAccentedQuery(benchmark::State& state) {
    filterFullHistory(state, QStringLiteral("café naïve lorem"), HistoryFilter::all);
}
void BM_FilterKindOnly(benchmark::State& state) {
    filterFullHistory(state, QString(), HistoryFilter::code);
}

void BM_RichMarkdownWorstCase(benchmark::State& state) {
    QString markdown;
    while (markdown.size() < 100'000) {
        markdown += QStringLiteral("# Heading\n\n- **bold** *it* `code` [link](http://x)\n");
    }
    const ClipboardEntry record(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                                ClipboardKind::markdown, std::nullopt, markdown, std::nullopt,
                                std::nullopt, {}, std::nullopt, std::nullopt, "f", QString());
    for (auto _ : state) {
        benchmark::DoNotOptimize(PreviewFormatter::rich(record));
    }
}

void BM_RichHtmlWorstCase(benchmark::State& state) {
    QString html;
    while (html.size() < 1'000'000) {
        html += QStringLiteral("<table><tr><td><b>cell</b></td><td><i>more</i></td></tr></table>");
    }
    const ClipboardEntry record(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                                ClipboardKind::html, std::nullopt, std::nullopt, html, std::nullopt,
                                {}, std::nullopt, std::nullopt, "f", QString());
    for (auto _ : state) {
        benchmark::DoNotOptimize(PreviewFormatter::rich(record));
    }
}

void BM_CodeWorstCase(benchmark::State& state) {
    // Dense keywords, comments and unterminated strings across the whole source limit.
    QString code;
    while (code.size() < 1'000'000) {
        code += QStringLiteral("if return \" // class /* \\\" ");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(PreviewFormatter::code(code, PreviewPalette::dark()));
    }
}

void BM_CodeTypical(benchmark::State& state) {
    const QString code = QStringLiteral("func load() async throws -> [Entry] {\n"
                                        "    // read the file\n"
                                        "    let data = try Data(contentsOf: url)\n"
                                        "    return try decoder.decode(\"[Entry]\", data)\n}\n");
    for (auto _ : state) {
        benchmark::DoNotOptimize(PreviewFormatter::code(code, PreviewPalette::dark()));
    }
}

} // namespace

BENCHMARK(BM_FilterNoMatch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterAccentedQuery)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterKindOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RichMarkdownWorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RichHtmlWorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CodeWorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CodeTypical)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
