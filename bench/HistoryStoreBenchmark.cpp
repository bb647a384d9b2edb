#include "entries/EntryFingerprint.h"
#include "entries/EntryJson.h"
#include "entries/HistoryRecordSpans.h"
#include "entries/SearchIndex.h"
#include "platform/DurableFile.h"
#include "platform/memory/MemoryDataLocations.h"
#include "store/ClipboardManager.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <benchmark/benchmark.h>

#include <array>
#include <limits>
#include <memory>

using namespace quillstack;

namespace {

// The two histories measured: 200 entries of which 40 carry a 1 MiB image, and a full history
// of 180 texts and 20 images of about 1 MB.
struct HistoryShape {
    const char* name;
    int imageEvery;
    qsizetype imageBytes;
};
constexpr std::array<HistoryShape, 2> shapes{
    {{"200 with 40 x 1 MiB", 5, 1024 * 1024}, {"180 texts + 20 x 1 MB", 10, 1000 * 1000}}};
constexpr int entryCount = 200;

// Incompressible bytes behind a real PNG signature, header and image-data chunk header, so that
// the size is readable the way a real image's is.
QByteArray pngLikeBytes(qsizetype size, quint32 seed) {
    static const QByteArray start = [] {
        QImage image(1920, 1080, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return png.first(33); // signature and IHDR chunk
    }();
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    QByteArray head = start;
    head.append(QByteArray(4, '\0')).append("IDAT");
    qToBigEndian<quint32>(quint32(size - head.size() - 4), head.data() + start.size());
    bytes.replace(0, head.size(), head);
    return bytes;
}

ClipboardEntry makeEntry(int n, const HistoryShape& shape) {
    const bool image = n % shape.imageEvery == 0;
    std::optional<QString> text;
    std::optional<QByteArray> png;
    const ClipboardKind kind = image ? ClipboardKind::image : ClipboardKind::text;
    if (image) {
        png = pngLikeBytes(shape.imageBytes, quint32(n + 1));
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

// A folder with a full history.json of one shape, shared by all benchmarks of that shape.
struct Fixture {
    QTemporaryDir dir;
    MemoryDataLocations locations{dir.path()};
    QList<ClipboardEntry> entries;
    QByteArray fileBytes;
    QString file;

    explicit Fixture(const HistoryShape& shape) {
        for (int i = 0; i < entryCount; ++i) {
            entries << makeEntry(i, shape);
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

Fixture& fixture(benchmark::State& state) {
    static std::array<std::unique_ptr<Fixture>, shapes.size()> instances;
    const auto index = size_t(state.range(0));
    if (!instances[index]) {
        instances[index] = std::make_unique<Fixture>(shapes[index]);
    }
    state.SetLabel(shapes[index].name);
    return *instances[index];
}

// What a durable write of the finished bytes costs: the floor for a save.
void BM_WriteFinishedBytes(benchmark::State& state) {
    Fixture& f = fixture(state);
    const QString path = QFileInfo(f.file).absolutePath() + QStringLiteral("/baseline.json");
    for (auto _ : state) {
        benchmark::DoNotOptimize(DurableFile::write(path, f.fileBytes));
    }
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

// The store's save of a loaded history: its entries as loaded (images untouched) with their kept
// encoded text, written durably.
void BM_Save(benchmark::State& state) {
    Fixture& f = fixture(state);
    DurableFile::write(f.file, f.fileBytes);
    auto store = f.makeStore();
    const QList<ClipboardEntry> entries = store->history();
    QList<EntryJson::EncodedEntry> encoded;
    for (const ClipboardEntry& entry : entries) {
        encoded << EntryJson::encodeForHistory(entry).value();
    }
    const QString path = QFileInfo(f.file).absolutePath() + QStringLiteral("/saved.json");
    for (auto _ : state) {
        benchmark::DoNotOptimize(DurableFile::write(path, [&](QIODevice& device) {
            return EntryJson::writeHistory(device, entries, encoded);
        }));
    }
    if (DurableFile::readAll(path, std::numeric_limits<qint64>::max()) != f.fileBytes) {
        state.SkipWithError("saved bytes differ");
    }
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

// Reading the file into memory: the floor for a load that copies the file.
void BM_ReadFileBytes(benchmark::State& state) {
    Fixture& f = fixture(state);
    DurableFile::write(f.file, f.fileBytes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DurableFile::readAll(f.file, std::numeric_limits<qint64>::max()));
    }
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

// The pass that finds each record before it is parsed on its own: part of every load.
void BM_FindRecordSpans(benchmark::State& state) {
    Fixture& f = fixture(state);
    const std::string_view text(f.fileBytes.constData(), size_t(f.fileBytes.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(HistoryRecordSpans::find(text));
    }
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

void BM_Load(benchmark::State& state) {
    Fixture& f = fixture(state);
    DurableFile::write(f.file, f.fileBytes);
    for (auto _ : state) {
        auto store = f.makeStore();
        if (store->history().size() != entryCount) {
            state.SkipWithError("history not loaded");
        }
    }
    state.SetBytesProcessed(state.iterations() * f.fileBytes.size());
}

// Loading, then what the first screen needs: title and subtitle of the first ten rows.
void BM_LoadAndFirstScreen(benchmark::State& state) {
    Fixture& f = fixture(state);
    DurableFile::write(f.file, f.fileBytes);
    for (auto _ : state) {
        auto store = f.makeStore();
        for (qsizetype i = 0; i < 10 && i < store->history().size(); ++i) {
            benchmark::DoNotOptimize(store->history()[i].title());
            benchmark::DoNotOptimize(store->history()[i].subtitle());
        }
    }
}

// One capture into the full history (the oldest entry comes back on top, so the history keeps
// its size and its images): de-duplication, trimming, announcements and the save.
void BM_InsertIntoFullHistory(benchmark::State& state) {
    Fixture& f = fixture(state);
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

void shapesOf(benchmark::internal::Benchmark* b) {
    b->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

} // namespace

BENCHMARK(BM_WriteFinishedBytes)->Apply(shapesOf);
BENCHMARK(BM_Save)->Apply(shapesOf);
BENCHMARK(BM_ReadFileBytes)->Apply(shapesOf);
BENCHMARK(BM_FindRecordSpans)->Apply(shapesOf);
BENCHMARK(BM_Load)->Apply(shapesOf);
BENCHMARK(BM_LoadAndFirstScreen)->Apply(shapesOf);
BENCHMARK(BM_InsertIntoFullHistory)->Apply(shapesOf);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
