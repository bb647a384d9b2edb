#include "ReaderEntryPoints.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// Every seed and crash reproducer of each reader, fuzz/{corpus,crashes}/<reader>/*, reads
// without fault.
TEST(CorpusReplay, SeedsAndCrashReproducersReadWithoutFault) {
    const std::pair<const char*, bool (*)(const std::uint8_t*, std::size_t)> readers[] = {
        {"history", quillstack::fuzz::readHistory},
        {"settings", quillstack::fuzz::readSettings},
    };
    for (const auto& [reader, read] : readers) {
        for (const char* folder : {"corpus", "crashes"}) {
            const QDir dir(QStringLiteral(QUILLSTACK_FUZZ_DIR "/%1/%2")
                               .arg(QLatin1String(folder), QLatin1String(reader)));
            const QStringList names = dir.entryList(QDir::Files, QDir::Name);
            EXPECT_FALSE(names.isEmpty()) << folder << "/" << reader;
            for (const QString& name : names) {
                QFile file(dir.filePath(name));
                ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
                const QByteArray bytes = file.readAll();
                EXPECT_TRUE(read(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 std::size_t(bytes.size())))
                    << folder << "/" << reader << "/" << name.toStdString();
            }
        }
    }
}
