// Writes a history.json of a given size for the scripts that measure the real program:
//
//   quillstack_make_history FILE MEGABYTES [TEXTS]
//
// TEXTS short text entries (default 20), then image entries of about 2.3 MB of PNG each (noise
// pictures, which do not compress) until the file holds about MEGABYTES. Eight different
// pictures are made; each entry's bytes differ by a few bytes after the picture's end, which
// decoders ignore, so that every entry has its own fingerprint.
#include "entries/ClipboardEntry.h"
#include "entries/EntryFingerprint.h"
#include "entries/EntryJson.h"
#include "entries/SearchIndex.h"
#include "platform/DurableFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>

#include <cstdio>

using namespace quillstack;

namespace {

QByteArray noisePng(quint32 seed) {
    QImage image(760, 760, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        random.fillRange(line, image.width());
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

ClipboardEntry entry(ClipboardKind kind, const std::optional<QString>& text,
                     const std::optional<QByteArray>& image) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind, text,
                          std::nullopt, std::nullopt, std::nullopt, {}, image, std::nullopt,
                          EntryFingerprint::compute(kind, text, {}, {}, {}, {}, image),
                          SearchIndex::compute(kind, text, {}, {}, {}, {}, std::nullopt));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: quillstack_make_history FILE MEGABYTES [TEXTS]\n");
        return 2;
    }
    const qint64 target = args[2].toLongLong() * 1024 * 1024;
    const int texts = args.size() > 3 ? args[3].toInt() : 20;
    QList<QByteArray> pictures;
    for (quint32 seed = 1; seed <= 8; ++seed) {
        pictures << noisePng(seed);
    }
    QList<ClipboardEntry> entries;
    qint64 size = 0;
    for (int i = 0; i < texts; ++i) {
        entries << entry(ClipboardKind::text, QStringLiteral("Sample text %1").arg(i),
                         std::nullopt);
    }
    for (int i = 0; size < target && entries.size() < 200; ++i) {
        const QByteArray png = pictures[i % pictures.size()] + QByteArray::number(i);
        entries << entry(ClipboardKind::image, std::nullopt, png);
        size += png.size() * 4 / 3 + 800;
    }
    const std::optional<QByteArray> bytes = EntryJson::encodeHistory(entries);
    if (!bytes || !DurableFile::makeFolder(QFileInfo(args[1]).absolutePath()) ||
        !DurableFile::write(args[1], *bytes)) {
        std::fprintf(stderr, "quillstack_make_history: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    std::printf("%lld entries, %.1f MB\n", static_cast<long long>(entries.size()),
                double(bytes->size()) / 1024 / 1024);
    return 0;
}
