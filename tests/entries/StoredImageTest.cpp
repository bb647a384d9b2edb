#include "entries/EntryJson.h"
#include "entries/EscapedBase64.h"
#include "support/TestEnvironment.h"
#include "support/TestImages.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace quillstack;
using quillstack::test::pngOf;

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& c : bytes) {
        c = char(generator.bounded(256));
    }
    return bytes;
}

QByteArray escaped(const QByteArray& bytes) {
    return bytes.toBase64().replace("/", "\\/");
}

std::optional<qsizetype> canonicalSize(const QByteArray& text) {
    return EscapedBase64::canonicalDecodedSize(std::string_view(text.constData(), text.size()));
}

ClipboardEntry imageEntry(const QByteArray& png) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::fromSecsSinceEpoch(1765016543, Qt::UTC),
                          ClipboardKind::image, std::nullopt, std::nullopt, std::nullopt,
                          std::nullopt, {}, png, std::nullopt, QStringLiteral("ab"),
                          QStringLiteral("image"));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST(EscapedBase64, RecognisesExactlyTheWritersForm) {
    // Every length around the 16-byte blocks, so that "\/" pairs also straddle block edges.
    for (int size = 0; size < 200; ++size) {
        const QByteArray bytes = randomBytes(size, quint32(size));
        EXPECT_EQ(canonicalSize(escaped(bytes)), size) << size;
    }
    const QByteArray bytes = randomBytes(3000, 7);
    const QByteArray text = escaped(bytes);
    EXPECT_EQ(canonicalSize(text), 3000);
    ASSERT_TRUE(text.contains("\\/"));

    // Valid Base64 in another form is not the writer's form.
    EXPECT_FALSE(canonicalSize(bytes.toBase64()));                           // plain "/"
    EXPECT_FALSE(canonicalSize(QByteArray(text).replace("\\/", "\\u002F"))); // other escape
    EXPECT_FALSE(canonicalSize("QR=="));                                     // stray bits
    EXPECT_FALSE(canonicalSize("QUJ="));
    EXPECT_EQ(canonicalSize("QQ=="), 1);
    EXPECT_EQ(canonicalSize("QUI="), 2);

    // Malformed text, with the fault at every position of the blocks checked together.
    for (qsizetype at = 0; at < 64; ++at) {
        for (const char bad : {'=', '-', '\xc3', '\\', '\0', ' '}) {
            QByteArray broken = escaped(randomBytes(48, 3)).replace("\\/", "AA").left(64);
            broken[at] = bad;
            EXPECT_FALSE(canonicalSize(broken)) << at << int(bad);
        }
    }
    for (const char* bad : {"QUI", "QU=I", "Q===", "QUJD=", "QUJD\\", "\\QUJD", "QUJ\\D"}) {
        EXPECT_FALSE(canonicalSize(bad)) << bad;
    }
}

TEST(EscapedBase64, DecodesAPrefixWithoutTheRest) {
    const QByteArray bytes = randomBytes(5000, 11);
    const QByteArray text = escaped(bytes);
    for (qsizetype count : {0, 1, 2, 3, 4, 33, 100, 4999, 5000, 6000}) {
        // Given only the window it needs, or all of the text.
        const qsizetype window = std::min(text.size(), EscapedBase64::escapedPrefixLength(count));
        const auto part = EscapedBase64::decodeEscapedPrefix(
            std::string_view(text.constData(), size_t(window)), window == text.size(), count);
        EXPECT_EQ(part, bytes.first(std::min(count, bytes.size()))) << count;
        const auto whole = EscapedBase64::decodeEscapedPrefix(
            std::string_view(text.constData(), size_t(text.size())), true, count);
        EXPECT_EQ(whole, bytes.first(std::min(count, bytes.size()))) << count;
    }
    EXPECT_EQ(EscapedBase64::decodeEscaped("+\\/\\/+AQ=="), QByteArray("\xfb\xff\xfe\x01", 4));
    EXPECT_FALSE(EscapedBase64::decodeEscaped("+\\n\\/+AQ=="));
}

TEST(StoredImage, LoadedImagesDecodeLaterAndSaveBackUnchanged) {
    const QByteArray png = pngOf(40, 30);
    const QByteArray noise = randomBytes(300000, 5);
    const QList<ClipboardEntry> entries{imageEntry(png), imageEntry(noise)};
    const QByteArray file = EntryJson::encodeHistory(entries).value();

    const auto loaded = EntryJson::decodeHistory(file);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->size(), 2);
    const ClipboardEntry& first = loaded->first();
    ASSERT_TRUE(first.image());
    EXPECT_TRUE(first.image()->storedText()); // kept as text, not decoded
    EXPECT_EQ(first.image()->size(), png.size());
    EXPECT_EQ(first.subtitle(), QStringLiteral("40 x 30"));
    EXPECT_EQ(first.imagePreview()->size(), QSize(40, 30));
    EXPECT_EQ(first.image()->leadingBytes(8), png.first(8));

    // Written back from the kept text, byte for byte; equal to the records that were written.
    EXPECT_EQ(EntryJson::encodeHistory(*loaded), file);
    EXPECT_EQ(*loaded, entries);
    EXPECT_EQ(qHash(loaded->at(1)), qHash(entries.at(1)));
    EXPECT_EQ(loaded->at(1).imagePNGData(), noise);

    // Other valid forms are still read (decoded at once) and written in the writer's form.
    QByteArray otherForms = file;
    otherForms.replace(escaped(noise), noise.toBase64());
    otherForms.replace(escaped(png), escaped(png).replace("A", "\\u0041"));
    const auto relaxed = EntryJson::decodeHistory(otherForms);
    ASSERT_TRUE(relaxed);
    EXPECT_FALSE(relaxed->at(0).image()->storedText());
    EXPECT_EQ(*relaxed, entries);
    EXPECT_EQ(EntryJson::encodeHistory(*relaxed), file);
}

TEST(StoredImage, AFileStaysReadableAfterItIsReplacedAndFailsSafelyWhenShortened) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.json"));
    const QByteArray png = pngOf(64, 48);
    const QByteArray noise = randomBytes(200000, 9);
    const QList<ClipboardEntry> entries{imageEntry(png), imageEntry(noise)};
    const QByteArray file = EntryJson::encodeHistory(entries).value();
    writeFile(path, file);

    const auto loaded = EntryJson::readHistoryFile(path);
    ASSERT_TRUE(loaded);
    // A save renames a new file over the old one; the loaded images still read the old bytes.
    const QString other = dir.filePath(QStringLiteral("new.json"));
    writeFile(other, "[]");
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()),
              0);
    EXPECT_EQ(loaded->at(0).subtitle(), QStringLiteral("64 x 48"));
    EXPECT_EQ(EntryJson::encodeHistory(*loaded), file);
    EXPECT_EQ(loaded->at(1).imagePNGData(), noise);

    // Someone else shortens the loaded file in place: no crash, the image reads as absent and
    // writing it fails instead of writing damaged text.
    writeFile(path, file);
    const auto again = EntryJson::readHistoryFile(path);
    ASSERT_TRUE(again);
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 100), 0);
    EXPECT_FALSE(again->at(1).imagePNGData());
    EXPECT_EQ(again->at(0).subtitle(), QStringLiteral("Image"));
    EXPECT_FALSE(again->at(0).imagePreview());
    EXPECT_FALSE(EntryJson::encodeHistory(*again));
}

TEST(StoredImage, ReadingAFileIsAsStrictAsDecodingBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.json"));
    const QByteArray good = EntryJson::encodeHistory({imageEntry(randomBytes(999, 2))}).value();
    writeFile(path, good);
    EXPECT_TRUE(EntryJson::readHistoryFile(path));

    const QByteArray object = good.mid(1, good.size() - 2).trimmed();
    QByteArray badImage = good;
    badImage.replace(escaped(randomBytes(999, 2)).left(8), "QU-_QU-_");
    for (const QByteArray& bad :
         {badImage, "[" + object + "] [2]", "[" + object + "]]",
          QByteArray(good).replace("\"kind\"", "\"future\": {\"a\": tru}, \"kind\""),
          QByteArray(good).replace("\"kind\"", "\"future\": [1, -], \"kind\""),
          QByteArray(good).replace("\"kind\"", "\"future\": \"\\x\", \"kind\""),
          QByteArray(good).replace("\"imagePNGData\": \"", "\"imagePNGData\": 5, \"x\": \""),
          QByteArray(good).left(good.size() - 1)}) {
        writeFile(path, bad);
        EXPECT_FALSE(EntryJson::readHistoryFile(path)) << bad.left(300).constData();
        EXPECT_FALSE(EntryJson::decodeHistory(bad));
    }
    // Not a regular file, or no file at all.
    EXPECT_FALSE(EntryJson::readHistoryFile(dir.path()));
    EXPECT_FALSE(EntryJson::readHistoryFile(dir.filePath(QStringLiteral("missing.json"))));
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(EntryJson::readHistoryFile(fifo));
    writeFile(path, "");
    EXPECT_FALSE(EntryJson::readHistoryFile(path));
    writeFile(path, "[]");
    EXPECT_EQ(EntryJson::readHistoryFile(path), QList<ClipboardEntry>{});
}

TEST(StoredImage, LargeEntriesReadBackWholeAndDeepFilesFailCleanly) {
    // No size limit applies when reading: each record is parsed on its own, so the parser's
    // buffers follow the largest record. Texts and images of several MB, escapes included.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.json"));
    const QString text = QStringLiteral("/path \"quoted\" \u00e9\n").repeated(400000);
    const ClipboardEntry textEntry(QUuid::createUuid(),
                                   QDateTime::fromSecsSinceEpoch(1765016543, Qt::UTC),
                                   ClipboardKind::text, text, std::nullopt, text, std::nullopt, {},
                                   std::nullopt, std::nullopt, QStringLiteral("ab"), {});
    const QList<ClipboardEntry> entries{textEntry, imageEntry(randomBytes(6 * 1024 * 1024, 3)),
                                        textEntry, imageEntry(pngOf(20, 10))};
    const QByteArray file = EntryJson::encodeHistory(entries).value();
    ASSERT_GT(file.size(), 40 * 1024 * 1024);
    writeFile(path, file);
    const auto loaded = EntryJson::readHistoryFile(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, entries);
    EXPECT_EQ(EntryJson::encodeHistory(*loaded), file);

    // A record nested 65,000 levels deep (130 KB) is undecodable, not a stack overflow.
    const QByteArray deep = QByteArray(65000, '[') + QByteArray(65000, ']');
    writeFile(path, QByteArray(file).insert(file.indexOf("\"kind\""), "\"x\": " + deep + ", "));
    EXPECT_FALSE(EntryJson::readHistoryFile(path));
}
