// Memory of a loaded history, each measured in a fresh process: the program writes the two
// histories, then runs itself once per file with "--load <file>", which reports RSS and PSS
// (from /proc/self/smaps_rollup) before and after constructing the store, and the load time.
#include "entries/EntryFingerprint.h"
#include "entries/EntryJson.h"
#include "entries/SearchIndex.h"
#include "platform/DurableFile.h"
#include "platform/memory/MemoryDataLocations.h"
#include "store/ClipboardManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace quillstack;

namespace {

struct Memory {
    long rssKiB = 0;
    long pssKiB = 0;
};

Memory memory() {
    QFile rollup(QStringLiteral("/proc/self/smaps_rollup"));
    rollup.open(QIODevice::ReadOnly);
    Memory m;
    for (const QByteArray& line : rollup.readAll().split('\n')) {
        const auto value = [&line](int skip) { return line.mid(skip).trimmed().split(' ')[0]; };
        if (line.startsWith("Rss:")) {
            m.rssKiB = value(4).toLong();
        } else if (line.startsWith("Pss:")) {
            m.pssKiB = value(4).toLong();
        }
    }
    return m;
}

int loadAndReport(const QString& folder) {
    const Memory before = memory();
    MemoryDataLocations locations(folder);
    ClipboardManager::Services services;
    services.locations = &locations;
    QElapsedTimer timer;
    timer.start();
    ClipboardManager store(services);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const Memory after = memory();
    std::printf("  %lld entries loaded in %.1f ms; store adds RSS %.1f MiB, PSS %.1f MiB "
                "(process RSS %.1f MiB, PSS %.1f MiB)\n",
                static_cast<long long>(store.history().size()), ms,
                double(after.rssKiB - before.rssKiB) / 1024,
                double(after.pssKiB - before.pssKiB) / 1024, double(after.rssKiB) / 1024,
                double(after.pssKiB) / 1024);
    return 0;
}

QByteArray imageBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

void writeHistory(const QString& folder, int imageEvery, qsizetype size) {
    QList<ClipboardEntry> entries;
    for (int n = 0; n < 200; ++n) {
        const bool image = n % imageEvery == 0;
        const ClipboardKind kind = image ? ClipboardKind::image : ClipboardKind::text;
        std::optional<QString> text;
        std::optional<QByteArray> png;
        if (image) {
            png = imageBytes(size, quint32(n + 1));
        } else {
            text = QStringLiteral("Entry %1: some copied text\n").arg(n).repeated(4);
        }
        entries << ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind, text,
                                  {}, {}, {}, {}, png, {},
                                  EntryFingerprint::compute(kind, text, {}, {}, {}, {}, png),
                                  SearchIndex::compute(kind, text, {}, {}, {}, {}, {}));
    }
    MemoryDataLocations locations(folder);
    DurableFile::write(quillstackFolder(locations) + QStringLiteral("/history.json"),
                       EntryJson::encodeHistory(entries).value());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("--load")) {
        return loadAndReport(args[2]);
    }
    QTemporaryDir dir;
    const QList<std::tuple<QString, int, qsizetype>> shapes{
        {QStringLiteral("200 with 40 x 1 MiB"), 5, 1024 * 1024},
        {QStringLiteral("180 texts + 20 x 1 MB"), 10, 1000 * 1000}};
    int i = 0;
    for (const auto& [name, every, size] : shapes) {
        const QString folder = dir.path() + QStringLiteral("/h%1").arg(i++);
        writeHistory(folder, every, size);
        std::printf("%s:\n", qPrintable(name));
        std::fflush(stdout);
        for (int run = 0; run < 3; ++run) {
            QProcess::execute(app.applicationFilePath(), {QStringLiteral("--load"), folder});
        }
    }
    return 0;
}
