#include "entries/EntryJson.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace quillstack;

namespace {

const QString fingerprint64 =
    QStringLiteral("3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e");

QDateTime utc(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
}

ClipboardEntry minimalEntryAt(const QDateTime& timestamp) {
    return ClipboardEntry(QUuid::fromString(QStringLiteral("6ba7b810-9dad-11d1-80b4-00c04fd430c8")),
                          timestamp, ClipboardKind::text, std::nullopt, std::nullopt, std::nullopt,
                          std::nullopt, {}, std::nullopt, std::nullopt, fingerprint64,
                          std::nullopt);
}

ClipboardEntry minimalEntry() {
    return minimalEntryAt(utc("2026-12-05T10:22:23Z"));
}

ClipboardEntry fullEntry() {
    return ClipboardEntry(QUuid::fromString(QStringLiteral("6ba7b810-9dad-11d1-80b4-00c04fd430c8")),
                          utc("2026-12-05T10:22:23Z"), ClipboardKind::file,
                          QStringLiteral("say \"hi\"\n\u00e9"), QStringLiteral(""),
                          QStringLiteral("<a href=\"x\">b</a>"), QStringLiteral("#FFAA00"),
                          {QStringLiteral("/home/u/My Report.pdf"), QStringLiteral("/tmp/b")},
                          QByteArray("\xfb\xff\xfe\x01", 4), QStringLiteral("org.kde.dolphin"),
                          fingerprint64, QStringLiteral("file say"));
}

QByteArray validObject(const QByteArray& extraMembers = {}) {
    return "{\"id\": \"6BA7B810-9DAD-11D1-80B4-00C04FD430C8\", \"timestamp\": "
           "\"2026-12-05T10:22:23Z\", \"kind\": \"text\", \"filePaths\": [], \"fingerprint\": "
           "\"ab\"" +
           extraMembers + "}";
}

} // namespace

TEST(EntryJson, GoldenTextOfARepresentativeRecord) {
    const QByteArray expected = R"({
  "id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8",
  "timestamp": "2026-12-05T10:22:23Z",
  "kind": "file",
  "text": "say \"hi\"\n)"
                                "\xc3\xa9"
                                R"(",
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

    // Every optional absent: exactly five members, the empty path list included.
    const QByteArray minimal = R"({
  "id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8",
  "timestamp": "2026-12-05T10:22:23Z",
  "kind": "text",
  "filePaths": [],
  "fingerprint": "3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e"
})";
    EXPECT_EQ(EntryJson::encode(minimalEntry()).value(), minimal);

    // In the file, records are one level deeper inside the array.
    EXPECT_EQ(EntryJson::encodeHistory({}).value(), QByteArray("[]"));
    QByteArray inArray = minimal;
    inArray.replace("\n", "\n  ");
    EXPECT_EQ(EntryJson::encodeHistory({minimalEntry(), minimalEntry()}).value(),
              "[\n  " + inArray + ",\n  " + inArray + "\n]");
}

TEST(EntryJson, RoundTripsRecordsAndDropsFractionalSeconds) {
    const QList<ClipboardEntry> entries{fullEntry(), minimalEntry()};
    EXPECT_EQ(EntryJson::decodeHistory(EntryJson::encodeHistory(entries).value()), entries);
    EXPECT_EQ(EntryJson::decode(EntryJson::encode(fullEntry()).value()), fullEntry());

    const ClipboardEntry fractional(QUuid::createUuid(), utc("2026-12-05T10:22:23.750Z"),
                                    ClipboardKind::text, QStringLiteral("a"), std::nullopt,
                                    std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt,
                                    fingerprint64, QStringLiteral("text a"));
    const ClipboardEntry back = EntryJson::decode(EntryJson::encode(fractional).value()).value();
    EXPECT_EQ(back.timestamp(), utc("2026-12-05T10:22:23Z"));
    EXPECT_NE(back, fractional);
    EXPECT_EQ(back.id(), fractional.id());

    // Timestamps in another zone are written in UTC.
    EXPECT_TRUE(EntryJson::encode(minimalEntryAt(utc("2026-12-05T12:22:23+02:00")))
                    ->contains("\"timestamp\": \"2026-12-05T10:22:23Z\""));

    // An instant the format cannot hold is an encoding error, not a corrupt file later.
    const ClipboardEntry invalid = minimalEntryAt(QDateTime());
    EXPECT_FALSE(EntryJson::encode(invalid));
    EXPECT_FALSE(EntryJson::encodeHistory({minimalEntry(), invalid}));
}

// Long texts are escaped in pieces: the member's text is that of the whole value escaped at once,
// whatever falls on a piece's edge.
TEST(EntryJson, LongTextsAreWrittenAsWhole) {
    for (const qsizetype edge : {qsizetype(65535), qsizetype(65536)}) {
        QString text(150000, u'a');
        QString specials =
            QStringLiteral("\"\\/\u007f\u00e9") + QChar(0xD83C) + QChar(0xDF88) + QChar(0xDC00);
        for (char16_t control = 0; control < 0x20; ++control) {
            specials += QChar(control);
        }
        text.replace(edge - 41, specials.size(), specials);
        text[edge - 1] = QChar(0xD83C); // a pair across the edge
        text[edge] = QChar(0xDF88);
        const ClipboardEntry entry(QUuid::createUuid(), utc("2026-12-05T10:22:23Z"),
                                   ClipboardKind::markdown, text, text, std::nullopt, std::nullopt,
                                   {}, std::nullopt, std::nullopt, fingerprint64, std::nullopt);
        const QByteArray encoded = EntryJson::encode(entry).value();

        QByteArray whole =
            QByteArray::fromStdString(nlohmann::ordered_json(text.toUtf8().toStdString()).dump());
        whole.replace("/", "\\/");
        EXPECT_TRUE(
            encoded.contains("\n  \"text\": " + whole + ",\n  \"markdown\": " + whole + ",\n"));
        const ClipboardEntry back = EntryJson::decode(encoded).value();
        EXPECT_EQ(back.text(), QString::fromUtf8(text.toUtf8())); // a lone surrogate is "?"
        EXPECT_EQ(back.markdown(), back.text());
    }
}

TEST(EntryJson, ImageBase64IsStandardPaddedAndEscaped) {
    for (int size : {0, 1, 2, 3, 4, 5, 63, 64, 65, 196608, 196609, 400001}) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& c : bytes) {
            c = char(QRandomGenerator::global()->bounded(256));
        }
        const ClipboardEntry image(QUuid::createUuid(), utc("2026-12-05T10:22:23Z"),
                                   ClipboardKind::image, std::nullopt, std::nullopt, std::nullopt,
                                   std::nullopt, {}, bytes, std::nullopt, fingerprint64,
                                   std::nullopt);
        const QByteArray text = EntryJson::encode(image).value();
        const QByteArray expected = bytes.toBase64().replace("/", "\\/");
        EXPECT_TRUE(text.contains("\"imagePNGData\": \"" + expected + "\",\n")) << size;
        EXPECT_EQ(EntryJson::decode(text)->imagePNGData(), bytes) << size;
    }
}

TEST(EntryJson, ReadingIsLenientWhereAllowed) {
    // null reads as absent, unknown keys are ignored, member order does not matter.
    const auto entries = EntryJson::decodeHistory(
        "[" +
        validObject(", \"text\": null, \"imagePNGData\": null, \"searchIndex\": \"\", "
                    "\"future\": {\"x\": [1, 2]}") +
        "]");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1);
    const ClipboardEntry& entry = entries->first();
    EXPECT_FALSE(entry.text());
    EXPECT_FALSE(entry.imagePNGData());
    EXPECT_EQ(entry.searchIndex(), QString()); // empty stays empty, not absent
    EXPECT_EQ(entry.id(),
              QUuid::fromString(QStringLiteral("6ba7b810-9dad-11d1-80b4-00c04fd430c8")));

    // Lower-case UUIDs, fractional seconds and numeric offsets are read too.
    const auto other = EntryJson::decode(
        R"({"fingerprint": "f", "filePaths": ["/a b/c"], "kind": "color",
            "timestamp": "2026-12-05T12:22:23.250+02:00",
            "id": "6ba7b810-9dad-11d1-80b4-00c04fd430c8"})");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->timestamp(), utc("2026-12-05T10:22:23.250Z"));
    EXPECT_EQ(other->filePaths(), QStringList{QStringLiteral("/a b/c")});
    EXPECT_EQ(EntryJson::decodeHistory("[]"), QList<ClipboardEntry>{});
}

TEST(EntryJson, AnyMalformedRecordFailsTheWholeFile) {
    const QByteArray good = validObject();
    ASSERT_TRUE(EntryJson::decodeHistory("[" + good + "]"));
    const QList<QByteArray> badObjects{
        // missing required members
        R"({"timestamp": "2026-12-05T10:22:23Z", "kind": "text", "filePaths": [], "fingerprint": "a"})",
        R"({"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8", "kind": "text", "filePaths": [], "fingerprint": "a"})",
        R"({"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8", "timestamp": "2026-12-05T10:22:23Z", "kind": "text", "fingerprint": "a"})",
        R"({"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8", "timestamp": "2026-12-05T10:22:23Z", "kind": "text", "filePaths": []})",
        // wrong types
        validObject(", \"text\": 5"),
        validObject(", \"searchIndex\": true"),
        validObject(", \"imagePNGData\": []"),
        R"({"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8", "timestamp": "2026-12-05T10:22:23Z", "kind": "text", "filePaths": "/a", "fingerprint": "a"})",
        R"({"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8", "timestamp": "2026-12-05T10:22:23Z", "kind": "text", "filePaths": [1], "fingerprint": "a"})",
        R"({"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8", "timestamp": "2026-12-05T10:22:23Z", "kind": "text", "filePaths": [], "fingerprint": null})",
        // unknown kinds
        QByteArray(good).replace("\"text\"", "\"Text\""),
        QByteArray(good).replace("\"text\"", "\"video\""),
        // malformed UUIDs
        QByteArray(good).replace("6BA7B810-9DAD", "{BA7B810-9DAD"),
        QByteArray(good).replace("6BA7B810-9DAD", "6BA7B8109-DAD"),
        QByteArray(good).replace("6BA7B810", "6BA7B81G"),
        QByteArray(good).replace("6BA7B810", "6BA7B81"),
        // malformed dates
        QByteArray(good).replace("2026-12-05T10:22:23Z", "2026-12-05 10:22:23Z"),
        QByteArray(good).replace("2026-12-05T10:22:23Z", "2026-12-05T10:22:23"),
        QByteArray(good).replace("2026-12-05T10:22:23Z", "2026-13-05T10:22:23Z"),
        QByteArray(good).replace("2026-12-05T10:22:23Z", "2026-02-30T10:22:23Z"),
        QByteArray(good).replace("2026-12-05T10:22:23Z", "1765016543"),
        // malformed Base64
        validObject(", \"imagePNGData\": \"QUI\""),
        validObject(", \"imagePNGData\": \"QU=I\""),
        validObject(", \"imagePNGData\": \"QUJD\\nREVG\""),
        validObject(", \"imagePNGData\": \"QU-_\""),
        validObject(", \"imagePNGData\": \"Q===\""),
    };
    for (const QByteArray& bad : badObjects) {
        EXPECT_FALSE(EntryJson::decodeHistory("[" + good + ", " + bad + "]")) << bad.constData();
        EXPECT_FALSE(EntryJson::decode(bad)) << bad.constData();
    }
    // Not an array of records, or not JSON at all.
    for (const QByteArray& bad : QList<QByteArray>{
             good, QByteArray("[") + good, "[" + good + "] x", QByteArray("[5]"), QByteArray(""),
             QByteArray("[\"\xff\"]"), "[" + good + ",]",
             // records found by their brackets, but not one array of records
             "[" + good + " " + good + "]", "[" + good + ",," + good + "]", "[" + good + ", 5]",
             "[" + good + "]]", "[" + good + "] []", "[" + good.left(good.size() - 1) + "]",
             "[{\"a\": \"}\"]", "[" + good + ", {\"text\": \"\\\"}\"]"}) {
        EXPECT_FALSE(EntryJson::decodeHistory(bad)) << bad.constData();
    }
}

TEST(EntryJson, RecordsAreFoundPastStringsThatLookLikeStructure) {
    // Brackets, quotes and backslashes inside strings do not end a record early.
    for (const QString& text :
         {QStringLiteral("}]},{["), QStringLiteral("\"}"), QStringLiteral("\\"),
          QStringLiteral("\\\"}"), QStringLiteral("a\\\\\"]\\")}) {
        ClipboardEntry entry = minimalEntry();
        entry =
            ClipboardEntry(entry.id(), entry.timestamp(), entry.kind(), text, text, std::nullopt,
                           std::nullopt, {text}, std::nullopt, text, fingerprint64, text);
        const QList<ClipboardEntry> entries{entry, minimalEntry(), entry};
        EXPECT_EQ(EntryJson::decodeHistory(EntryJson::encodeHistory(entries).value()), entries)
            << text.toStdString();
    }
}

TEST(EntryJson, NestingIsBoundedSoNoFileExhaustsTheStack) {
    // The record is the first level: an unknown member can nest maxNesting - 1 levels more.
    const int bound = EntryJson::maxNesting;
    const auto arrays = [](int levels) {
        return QByteArray(levels, '[') + QByteArray(levels, ']');
    };
    const auto objects = [](int levels) {
        return QByteArray("{\"a\": ").repeated(levels) + "1" + QByteArray(levels, '}');
    };
    struct Case {
        QByteArray value;
        bool decodes;
    };
    const QList<Case> cases{
        {arrays(bound - 1), true}, {objects(bound - 1), true}, {arrays(bound), false},
        {objects(bound), false},   {arrays(65000), false}, // 130 KB, far past any stack
        {objects(30000), false},
    };
    for (const Case& c : cases) {
        const QByteArray object = validObject(", \"future\": " + c.value);
        EXPECT_EQ(EntryJson::decodeHistory("[" + object + "]").has_value(), c.decodes)
            << c.value.size();
        EXPECT_EQ(EntryJson::decode(object).has_value(), c.decodes) << c.value.size();
    }
    // Deep nesting where a string or a list of paths belongs fails as a wrong type.
    EXPECT_FALSE(EntryJson::decodeHistory("[" + validObject(", \"text\": " + arrays(65000)) + "]"));
    EXPECT_FALSE(EntryJson::decodeHistory(QByteArray(65000, '[') + QByteArray(65000, ']')));
    EXPECT_FALSE(EntryJson::decodeHistory("[" + QByteArray(65000, '{')));
}
