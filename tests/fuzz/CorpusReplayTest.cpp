#include "ReaderEntryPoints.h"

#include <QDirIterator>
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
            const QString dir = QStringLiteral(QUILLSTACK_FUZZ_DIR "/%1/%2").arg(folder, reader);
            int files = 0;
            for (QDirIterator it(dir, QDir::Files); it.hasNext(); ++files) {
                QFile file(it.next());
                ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
                const QByteArray bytes = file.readAll();
                EXPECT_TRUE(read(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 std::size_t(bytes.size())))
                    << file.fileName().toStdString();
            }
            EXPECT_GT(files, 0) << dir.toStdString();
        }
    }
}
