#include "ReaderEntryPoints.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

struct Reader {
    const char* name;
    bool (*read)(const std::uint8_t*, std::size_t);
};

class CorpusReplay : public testing::TestWithParam<Reader> {};

// Every file of fuzz/<folder>/<reader>, in name order.
QStringList filesIn(const char* folder, const char* reader) {
    const QDir dir(QStringLiteral(QUILLSTACK_FUZZ_DIR "/%1/%2")
                       .arg(QLatin1String(folder), QLatin1String(reader)));
    QStringList paths;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        paths.append(dir.filePath(name));
    }
    return paths;
}

} // namespace

TEST_P(CorpusReplay, SeedsAndCrashReproducersReadWithoutFault) {
    const Reader reader = GetParam();
    const QStringList seeds = filesIn("corpus", reader.name);
    const QStringList crashes = filesIn("crashes", reader.name);
    EXPECT_FALSE(seeds.isEmpty());
    EXPECT_FALSE(crashes.isEmpty());
    for (const QString& path : seeds + crashes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(reader.read(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                std::size_t(bytes.size())))
            << path.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Readers, CorpusReplay,
                         testing::Values(Reader{"history", quillstack::fuzz::readHistory},
                                         Reader{"settings", quillstack::fuzz::readSettings}),
                         [](const testing::TestParamInfo<Reader>& reader) {
                             return std::string(reader.param.name);
                         });
