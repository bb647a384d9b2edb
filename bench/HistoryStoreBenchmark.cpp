#include "entries/EntryFingerprint.h"
#include "entries/EntryJson.h"
#include "entries/SearchIndex.h"
#include "platform/DurableFile.h"
#include "platform/memory/MemoryDataLocations.h"
#include "store/ClipboardManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

using namespace quillstack;

namespace {

constexpr int entryCount = 200;
constexpr int imageEvery = 5; // 40 of 200 entries carry an image
constexpr qsizetype imageBytes = 1024 * 1024;

ClipboardEntry makeEntry(int n) {
    const bool image = n % imageEvery == 0;
    std::optional<QString> text;
    std::optional<QByteArray> png;
    const ClipboardKind kind = image ? ClipboardKind::image : ClipboardKind::text;
    if (image) {
        QByteArray bytes(imageBytes, Qt::Uninitialized);
        QRandomGenerator generator(quint32(n + 1));
        generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        png = bytes;
    } else {
        text = QStringLiteral("Entry %1: some copied text from /home/user/notes.txt\n")
                   .arg(n)
                   .repeated(4);
    }
    const std::optional<QString> source = QStringLiteral("org.example.editor");
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind, text,
                          std::nullopt, std::nullopt, std::nullopt, {}, png, source,
                          EntryFingerprint::compute(kind, text, {}, {}, {}, {}, png),
                          SearchIndex::compute(kind, text, {}, {}, {}, {}, source));
}

// A folder with a full history.json, shared by all benchmarks.
struct Fixture {
    QTemporaryDir dir;
    MemoryDataLocations locations{dir.path()};
    QList<ClipboardEntry> entries;
    QByteArray fileBytes;
    QString file;

    Fixture() {
        for (int i = 0; i < entryCount; ++i) {
            entries << makeEntry(i);
        }
        fileBytes = EntryJson::encodeHistory(entries).value();
        file = quillstackFolder(locations) + QStringLiteral("/history.json");
        DurableFile::write(file, fileBytes);
    }

    std::unique_ptr<ClipboardManager> makeStore() {
        ClipboardManager::Services services;
        services.locations = &locations;
        return std::make_unique<ClipboardManager>(services);
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return 0;
}

// What a durable write of the finished bytes costs: the floor for a save.
void BM_WriteFinishedBytes(benchmark::State& state) {
    Fixture& f = fixture();
    const QString path = QFileInfo(f.file).absolutePath() + QStringLiteral("/baseline.json");
    for (auto _ : state) {
        benchmark::DoNotOptimize(DurableFile::write(path, f.fileBytes));
    }
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

// The store's save: its kept per-entry text plus the images' Base64, written durably.
void BM_Save(benchmark::State& state) {
    Fixture& f = fixture();
    QList<EntryJson::EncodedEntry> encoded;
    for (const ClipboardEntry& entry : f.entries) {
        encoded << EntryJson::encodeForHistory(entry).value();
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(DurableFile::write(f.file, [&](QIODevice& device) {
            return EntryJson::writeHistory(device, f.entries, encoded);
        }));
    }
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

// Reading the file into memory: the floor for a load.
void BM_ReadFileBytes(benchmark::State& state) {
    Fixture& f = fixture();
    DurableFile::write(f.file, f.fileBytes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DurableFile::readAll(f.file, EntryJson::maxHistoryBytes));
    }
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

void BM_Load(benchmark::State& state) {
    Fixture& f = fixture();
    DurableFile::write(f.file, f.fileBytes);
    long rss = 0;
    for (auto _ : state) {
        auto store = f.makeStore();
        if (store->history().size() != entryCount) {
            state.SkipWithError("history not loaded");
        }
        rss = residentKiB();
    }
    state.counters["rss_MiB_loaded"] = double(rss) / 1024.0;
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

// One capture into the full history (the oldest entry comes back on top, so the history keeps
// its size and its 40 images): de-duplication, trimming, announcements and the save.
void BM_InsertIntoFullHistory(benchmark::State& state) {
    Fixture& f = fixture();
    DurableFile::write(f.file, f.fileBytes);
    auto store = f.makeStore();
    for (auto _ : state) {
        const ClipboardEntry& oldest = store->history().last();
        store->insert(ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                                     oldest.kind(), oldest.text(), oldest.markdown(), oldest.html(),
                                     oldest.colorHex(), oldest.filePaths(), oldest.imagePNGData(),
                                     oldest.sourceAppBundleID(), oldest.fingerprint(),
                                     oldest.searchIndex()));
    }
    if (store->history().size() != entryCount) {
        state.SkipWithError("history size changed");
    }
}

} // namespace

BENCHMARK(BM_WriteFinishedBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_InsertIntoFullHistory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
