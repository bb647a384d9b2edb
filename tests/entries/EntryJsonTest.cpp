#include "entries/EntryJson.h"
#include "entries/EscapedBase64.h"
#include "support/TestImages.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <unistd.h>

using namespace quillstack;
using test::pngOf;

namespace {

const QString fingerprint64 = "3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e";
const QUuid knownId = QUuid::fromString("6ba7b810-9dad-11d1-80b4-00c04fd430c8");

QDateTime utc(const char* text = "2026-12-05T10:22:23Z") {
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
}

ClipboardEntry entryOf(ClipboardKind kind, const std::optional<QString>& text = {},
                       const std::optional<QByteArray>& image = {},
                       const QDateTime& timestamp = utc()) {
    return ClipboardEntry(knownId, timestamp, kind, text, text, std::nullopt, std::nullopt, {},
                          image, std::nullopt, fingerprint64, std::nullopt);
}

ClipboardEntry minimalEntry(const QDateTime& timestamp = utc()) {
    return entryOf(ClipboardKind::text, {}, {}, timestamp);
}

ClipboardEntry fullEntry() {
    return ClipboardEntry(knownId, utc(), ClipboardKind::file, "say \"hi\"\n\u00e9", "",
                          "<a href=\"x\">b</a>", "#FFAA00", {"/home/u/My Report.pdf", "/tmp/b"},
                          QByteArray("\xfb\xff\xfe\x01", 4), "org.kde.dolphin", fingerprint64,
                          "file say");
}

ClipboardEntry imageEntry(const QByteArray& png) {
    return entryOf(ClipboardKind::image, {}, png);
}

QByteArray validObject(const QByteArray& extraMembers = {}) {
    return "{\"id\": \"6BA7B810-9DAD-11D1-80B4-00C04FD430C8\", \"timestamp\": "
           "\"2026-12-05T10:22:23Z\", \"kind\": \"text\", \"filePaths\": [], \"fingerprint\": "
           "\"ab\"" +
           extraMembers + "}";
}

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size + 3, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    return bytes.left(size);
}

QByteArray escaped(const QByteArray& bytes) {
    return bytes.toBase64().replace("/", "\\/");
}

std::optional<qsizetype> canonicalSize(const QByteArray& text) {
    return EscapedBase64::canonicalDecodedSize(std::string_view(text.constData(), text.size()));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST(EntryJson, GoldenTextRoundTripTimestampsAndLongValues) {
    const QByteArray expected = R"({
  "id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8",
  "timestamp": "2026-12-05T10:22:23Z",
  "kind": "file",
  "text": "say \"hi\"\né",
  "markdown": "",
  "html": "<a href=\"x\">b<\/a>",
  "colorHex": "#FFAA00",
  "filePaths": [
    "\/home\/u\/My Report.pdf",
    "\/tmp\/b"
  ],
  "imagePNGData": "+\/\/+AQ==",
  "sourceAppBundleID": "org.kde.dolphin",
  "fingerprint": "3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e",
  "searchIndex": "file say"
})";
    EXPECT_EQ(EntryJson::encode(fullEntry()).value(), expected);
    // Every optional absent: exactly five members, the empty path list included; in the file,
    // records are one level deeper inside the array.
    QByteArray minimal = R"({
  "id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8",
  "timestamp": "2026-12-05T10:22:23Z",
  "kind": "text",
  "filePaths": [],
  "fingerprint": "3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e"
})";
    minimal.replace("\n", "\n  ");
    EXPECT_EQ(EntryJson::encodeHistory({minimalEntry(), minimalEntry()}).value(),
              "[\n  " + minimal + ",\n  " + minimal + "\n]");
    const QList<ClipboardEntry> entries{fullEntry(), minimalEntry()};
    EXPECT_EQ(EntryJson::decodeHistory(EntryJson::encodeHistory(entries).value()), entries);
    // Fractional seconds are dropped; another zone is written in UTC; an instant the format
    // cannot hold is an encoding error, not a corrupt file later.
    const ClipboardEntry fractional = minimalEntry(utc("2026-12-05T10:22:23.750Z"));
    EXPECT_EQ(EntryJson::decode(EntryJson::encode(fractional).value())->timestamp(), utc());
    EXPECT_EQ(EntryJson::encode(minimalEntry(utc("2026-12-05T12:22:23+02:00"))),
              EntryJson::encode(minimalEntry()));
    EXPECT_FALSE(EntryJson::encode(minimalEntry(QDateTime())));
    // Long texts and images are written in pieces: each member is the whole value at once,
    // whatever falls on a piece's edge.
    for (const qsizetype edge : {qsizetype(65535), qsizetype(65536)}) {
        QString text(150000, u'a');
        QString specials =
            QString("\"\\/\u007f\u00e9") + QChar(0xD83C) + QChar(0xDF88) + QChar(0xDC00);
        for (char16_t control = 0; control < 0x20; ++control) {
            specials += QChar(control);
        }
        text.replace(edge - 41, specials.size(), specials);
        text[edge - 1] = QChar(0xD83C); // a pair across the edge
        text[edge] = QChar(0xDF88);
        const QByteArray encoded =
            EntryJson::encode(entryOf(ClipboardKind::markdown, text)).value();
        QByteArray whole =
            QByteArray::fromStdString(nlohmann::ordered_json(text.toUtf8().toStdString()).dump());
        whole.replace("/", "\\/");
        EXPECT_TRUE(encoded.contains("\"text\": " + whole + ",\n  \"markdown\": " + whole + ",\n"));
        const ClipboardEntry back = EntryJson::decode(encoded).value();
        EXPECT_EQ(back.text(), QString::fromUtf8(text.toUtf8())); // a lone surrogate is "?"
        EXPECT_EQ(back.markdown(), back.text());
    }
    for (int size : {0, 1, 2, 3, 4, 5, 63, 64, 65, 196608, 196609, 400001}) {
        const QByteArray bytes = randomBytes(size, quint32(size));
        const QByteArray text = EntryJson::encode(entryOf(ClipboardKind::image, {}, bytes)).value();
        EXPECT_TRUE(text.contains("\"imagePNGData\": \"" + escaped(bytes) + "\",\n")) << size;
        EXPECT_EQ(EntryJson::decode(text)->imagePNGData(), bytes) << size;
    }
}

TEST(EntryJson, ReadingIsLenientWhereAllowedAndStrictElsewhere) {
    // null reads as absent, unknown keys are ignored, member order does not matter.
    const auto entries = EntryJson::decodeHistory(
        "[" +
        validObject(", \"text\": null, \"imagePNGData\": null, \"searchIndex\": \"\", "
                    "\"future\": {\"x\": [1, 2]}") +
        "]");
    ASSERT_TRUE(entries && entries->size() == 1);
    EXPECT_FALSE(entries->first().text() || entries->first().imagePNGData());
    EXPECT_EQ(entries->first().searchIndex(), QString()); // empty stays empty, not absent
    // Lower-case UUIDs, fractional seconds and numeric offsets are read too.
    const auto other = EntryJson::decode(
        R"({"fingerprint": "f", "filePaths": ["/a b/c"], "kind": "color",
            "timestamp": "2026-12-05T12:22:23.250+02:00",
            "id": "6ba7b810-9dad-11d1-80b4-00c04fd430c8"})");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->timestamp(), utc("2026-12-05T10:22:23.250Z"));
    EXPECT_EQ(other->filePaths(), QStringList{"/a b/c"});
    // Brackets, quotes and backslashes inside strings do not end a record early.
    for (const char* text : {"}]},{[", "\"}", "\\", "\\\"}", "a\\\\\"]\\"}) {
        const QString t = QString::fromLatin1(text);
        const ClipboardEntry entry(knownId, utc(), ClipboardKind::text, t, t, std::nullopt,
                                   std::nullopt, {t}, std::nullopt, t, fingerprint64, t);
        const QList<ClipboardEntry> list{entry, minimalEntry(), entry};
        EXPECT_EQ(EntryJson::decodeHistory(EntryJson::encodeHistory(list).value()), list) << text;
    }
    const QByteArray good = validObject();
    ASSERT_TRUE(EntryJson::decodeHistory("[" + good + "]"));
    // Missing members, wrong types, unknown kinds, malformed UUIDs, dates and Base64, as
    // (from, to) pairs.
    // clang-format off
    const char* const changes[]{
        "\"id\": \"6BA7B810-9DAD-11D1-80B4-00C04FD430C8\", ", "",
        "\"timestamp\": \"2026-12-05T10:22:23Z\", ", "", "\"filePaths\": [], ", "",
        ", \"fingerprint\": \"ab\"", "", "\"ab\"", "\"ab\", \"text\": 5",
        "\"ab\"", "\"ab\", \"searchIndex\": true", "\"ab\"", "\"ab\", \"imagePNGData\": []",
        "[]", "\"/a\"", "[]", "[1]", "\"ab\"", "null", "\"text\"", "\"Text\"",
        "\"text\"", "\"video\"", "6BA7B810-9DAD", "{BA7B810-9DAD",
        "6BA7B810-9DAD", "6BA7B8109-DAD", "6BA7B810", "6BA7B81G", "6BA7B810", "6BA7B81",
        "10:22:23Z", "10:22:23", "T10", " 10", "2026-12", "2026-13", "12-05T", "02-30T",
        "\"2026-12-05T10:22:23Z\"", "1765016543", "\"ab\"", "\"ab\", \"imagePNGData\": \"QUI\"",
        "\"ab\"", "\"ab\", \"imagePNGData\": \"QU=I\"",
        "\"ab\"", "\"ab\", \"imagePNGData\": \"QU-_\"",
        "\"ab\"", "\"ab\", \"imagePNGData\": \"QUJD\\nREVG\"",
        "\"ab\"", "\"ab\", \"imagePNGData\": \"Q===\"",
        "\"ab\"", "\"ab\", \"future\": {\"a\": tru}", "\"ab\"", "\"ab\", \"future\": [1, -]",
        "\"ab\"", "\"ab\", \"future\": \"\\x\""};
    // clang-format on
    for (std::size_t i = 0; i < std::size(changes); i += 2) {
        const QByteArray bad = QByteArray(good).replace(changes[i], changes[i + 1]);
        EXPECT_FALSE(EntryJson::decodeHistory("[" + good + ", " + bad + "]")) << bad.constData();
    }
    for (const QByteArray& bad : QList<QByteArray>{
             good, QByteArray("[") + good, "[" + good + "] x", QByteArray("[5]"), QByteArray(""),
             QByteArray("[\"\xff\"]"), "[" + good + ",]", "[" + good + " " + good + "]",
             "[" + good + ",," + good + "]", "[" + good + ", 5]", "[" + good + "]]",
             "[" + good + "] []", "[" + good.left(good.size() - 1) + "]", "[{\"a\": \"}\"]",
             "[" + good + ", {\"text\": \"\\\"}\"]"}) {
        EXPECT_FALSE(EntryJson::decodeHistory(bad)) << bad.constData();
    }
    // The record is the first level: an unknown member can nest maxNesting - 1 levels more.
    const int bound = EntryJson::maxNesting;
    const auto arrays = [](int n) { return QByteArray(n, '[') + QByteArray(n, ']'); };
    const auto objects = [](int n) {
        return QByteArray("{\"a\": ").repeated(n) + "1" + QByteArray(n, '}');
    };
    for (const auto& [value, decodes] :
         {std::pair(arrays(bound - 1), true), std::pair(objects(bound - 1), true),
          std::pair(arrays(bound), false), std::pair(objects(bound), false),
          std::pair(arrays(65000), false), std::pair(objects(30000), false)}) {
        const QByteArray object = validObject(", \"future\": " + value);
        EXPECT_EQ(EntryJson::decodeHistory("[" + object + "]").has_value(), decodes)
            << value.size();
    }
    EXPECT_FALSE(EntryJson::decodeHistory(arrays(65000)));
    EXPECT_FALSE(EntryJson::decodeHistory("[" + QByteArray(65000, '{')));
}

TEST(EscapedBase64, RecognisesExactlyTheWritersFormAndDecodesPrefixes) {
    // Every length around the 16-byte blocks, so that "\/" pairs also straddle block edges.
    for (int size = 0; size < 200; ++size) {
        EXPECT_EQ(canonicalSize(escaped(randomBytes(size, quint32(size)))), size) << size;
    }
    const QByteArray bytes = randomBytes(5000, 7);
    const QByteArray text = escaped(bytes);
    ASSERT_TRUE(text.contains("\\/"));
    // Valid Base64 in another form is not the writer's form.
    EXPECT_FALSE(canonicalSize(bytes.toBase64()));                           // plain "/"
    EXPECT_FALSE(canonicalSize(QByteArray(text).replace("\\/", "\\u002F"))); // other escape
    EXPECT_FALSE(canonicalSize("QR=="));                                     // stray bits
    EXPECT_FALSE(canonicalSize("QUJ="));
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
    for (qsizetype count : {0, 1, 2, 3, 4, 33, 100, 4999, 5000, 6000}) {
        const qsizetype window = std::min(text.size(), EscapedBase64::escapedPrefixLength(count));
        for (const qsizetype given : {window, text.size()}) {
            EXPECT_EQ(
                EscapedBase64::decodeEscapedPrefix(
                    std::string_view(text.constData(), size_t(given)), given == text.size(), count),
                bytes.first(std::min(count, bytes.size())))
                << count;
        }
    }
}

TEST(StoredImage, KeptAsTextWrittenBackUnchangedAndReadStrictlyFromFiles) {
    const QByteArray png = pngOf(40, 30);
    const QByteArray noise = randomBytes(300000, 5);
    const QList<ClipboardEntry> entries{imageEntry(png), imageEntry(noise)};
    const QByteArray file = EntryJson::encodeHistory(entries).value();
    const auto loaded = EntryJson::decodeHistory(file);
    ASSERT_TRUE(loaded && loaded->size() == 2 && loaded->first().image());
    const ClipboardEntry& first = loaded->first();
    EXPECT_TRUE(first.image()->storedText()); // kept as text, not decoded
    EXPECT_EQ(first.image()->size(), png.size());
    EXPECT_EQ(first.subtitle(), "40 x 30");
    EXPECT_EQ(first.imagePreview()->size(), QSize(40, 30));
    // Written back from the kept text, byte for byte; equal to the records that were written.
    EXPECT_EQ(EntryJson::encodeHistory(*loaded), file);
    EXPECT_EQ(*loaded, entries);
    EXPECT_EQ(qHash(loaded->at(1)), qHash(entries.at(1)));
    // Other valid forms are still read (decoded at once) and written in the writer's form.
    QByteArray otherForms = file;
    otherForms.replace(escaped(noise), noise.toBase64());
    otherForms.replace(escaped(png), escaped(png).replace("A", "\\u0041"));
    const auto relaxed = EntryJson::decodeHistory(otherForms);
    ASSERT_TRUE(relaxed);
    EXPECT_FALSE(relaxed->at(0).image()->storedText());
    EXPECT_EQ(*relaxed, entries);
    EXPECT_EQ(EntryJson::encodeHistory(*relaxed), file);
    QTemporaryDir dir;
    const QString path = dir.filePath("history.json");
    // Someone else shortens a loaded file in place: no crash, the image reads as absent and
    // writing it fails instead of writing damaged text.
    writeFile(path, EntryJson::encodeHistory(
                        {imageEntry(pngOf(64, 48)), imageEntry(randomBytes(200000, 9))})
                        .value());
    const auto again = EntryJson::readHistoryFile(path);
    ASSERT_TRUE(again);
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 100), 0);
    EXPECT_FALSE(again->at(1).imagePNGData());
    EXPECT_EQ(again->at(0).subtitle(), "Image");
    EXPECT_FALSE(EntryJson::encodeHistory(*again));
    // A file ending early, or empty (nothing to map), fails as bytes do.
    for (const QByteArray& bad : {QByteArray("[") + validObject(), QByteArray()}) {
        writeFile(path, bad);
        EXPECT_FALSE(EntryJson::readHistoryFile(path)) << bad.constData();
    }
    EXPECT_FALSE(EntryJson::readHistoryFile(dir.filePath("missing.json")));
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(EntryJson::readHistoryFile(fifo));
    writeFile(path, "[]");
    EXPECT_EQ(EntryJson::readHistoryFile(path), QList<ClipboardEntry>{});
    // Each record is parsed on its own, so the parser's buffers follow the largest record:
    // texts and images of several MB, escapes included, read back whole.
    const QString text = QString("/path \"quoted\" \u00e9\n").repeated(400000);
    const QList<ClipboardEntry> big{entryOf(ClipboardKind::text, text),
                                    imageEntry(randomBytes(6 * 1024 * 1024, 3)),
                                    imageEntry(pngOf(20, 10))};
    const QByteArray large = EntryJson::encodeHistory(big).value();
    ASSERT_GT(large.size(), 20 * 1024 * 1024);
    writeFile(path, large);
    const auto largeLoaded = EntryJson::readHistoryFile(path);
    ASSERT_TRUE(largeLoaded);
    EXPECT_EQ(*largeLoaded, big);
    EXPECT_EQ(EntryJson::encodeHistory(*largeLoaded), large);
}
