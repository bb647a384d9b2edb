#include "entries/ClipboardCapture.h"
#include "entries/EntryJson.h"
#include "entries/ImageNormalizer.h"
#include "entries/StoredContentSize.h"
#include "platform/memory/MemoryPasteboard.h"
#include "support/TestEnvironment.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

using namespace quillstack;
using quillstack::test::encoded;
using quillstack::test::filled;

namespace {

const QString markdownType = ClipboardEntry::markdownPBType();

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

QSize headerSize(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& payload) {
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(payload.size()), chunk.data());
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(type + payload), crc.data());
    return chunk + type + payload + crc;
}

// A PNG whose header claims width x height pixels, with an empty image data chunk.
QByteArray pngHeaderClaiming(quint32 width, quint32 height) {
    QByteArray ihdr(13, '\0');
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    ihdr[8] = 8; // bit depth
    ihdr[9] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", {});
}

// A little-endian TIFF whose header claims width x height 8-bit grey pixels, with no strips.
QByteArray tiffHeaderClaiming(quint32 width, quint32 height) {
    QByteArray tiff("II*\0", 4);
    tiff += QByteArray(4, '\0');
    qToLittleEndian(quint32(8), tiff.data() + 4);
    const QList<std::pair<quint16, quint32>> tags{{256, width}, {257, height}, {258, 8},
                                                  {259, 1},     {262, 1},      {273, 0},
                                                  {277, 1},     {278, height}, {279, 0}};
    QByteArray ifd(2, '\0');
    qToLittleEndian(quint16(tags.size()), ifd.data());
    for (const auto& [tag, value] : tags) {
        QByteArray entry(12, '\0');
        qToLittleEndian(tag, entry.data());
        qToLittleEndian(quint16(4), entry.data() + 2); // LONG
        qToLittleEndian(quint32(1), entry.data() + 4);
        qToLittleEndian(value, entry.data() + 8);
        ifd += entry;
    }
    ifd += QByteArray(4, '\0');
    return tiff + ifd;
}

PasteboardItem itemWith(const QString& type, const QString& value) {
    PasteboardItem item;
    item.setString(value, type);
    return item;
}

ClipboardEntry captured(MemoryPasteboard& pasteboard,
                        const std::optional<QString>& source = std::nullopt) {
    auto entry = ClipboardEntry::capture(pasteboard, source);
    EXPECT_TRUE(entry.has_value());
    return entry.value_or(
        ClipboardEntry({}, {}, ClipboardKind::unknown, {}, {}, {}, {}, {}, {}, {}, {}, {}));
}

// The escaped Base64 of history.json, with its quotes, as the writer makes it.
qint64 escapedBase64Length(const QByteArray& bytes) {
    return bytes.toBase64().replace("/", "\\/").size() + 2;
}

} // namespace

TEST(ClipboardCapture, EmptyClipboardAndUnreadableItems) {
    MemoryPasteboard pasteboard;
    EXPECT_FALSE(ClipboardEntry::capture(pasteboard, QStringLiteral("org.example")).has_value());

    pasteboard.setItems({PasteboardItem()});
    const ClipboardEntry entry = captured(pasteboard, QStringLiteral("org.Example.App"));
    EXPECT_EQ(entry.kind(), ClipboardKind::unknown);
    EXPECT_FALSE(entry.text() || entry.markdown() || entry.html() || entry.colorHex() ||
                 entry.imagePNGData());
    EXPECT_TRUE(entry.filePaths().isEmpty());
    EXPECT_EQ(entry.searchIndex(), QStringLiteral("unknown org.example.app"));
    EXPECT_EQ(entry.sourceAppBundleID(), QStringLiteral("org.Example.App"));
    EXPECT_EQ(captured(pasteboard).searchIndex(), QStringLiteral("unknown"));
}

TEST(ClipboardCapture, ColourDetection) {
    for (const auto& [text, hex] :
         {std::pair("100", "#110000"), std::pair("bed", "#BBEEDD"),
          std::pair("  #1a2b3c \n\t", "#1A2B3C"), std::pair("#aAbBcCdD", "#AABBCCDD")}) {
        EXPECT_EQ(ClipboardCapture::detectHex(QString::fromLatin1(text)), QString::fromLatin1(hex));
    }
    for (const char* notAColour :
         {"1234", "#12345", "12g", "", "  ", "#", "##abc", "#1a2b3c4", "#abc def", "abcdefabc"}) {
        EXPECT_FALSE(ClipboardCapture::detectHex(QString::fromLatin1(notAColour))) << notAColour;
    }
    // Only the trimmed text counts, however much whitespace surrounds it.
    const QString padded = QString(100000, u' ') + QStringLiteral("#fff") + QString(100000, u'\n');
    EXPECT_EQ(ClipboardCapture::detectHex(padded), QStringLiteral("#FFFFFF"));

    MemoryPasteboard pasteboard;
    pasteboard.offer(Pasteboard::stringType(), QStringLiteral(" 100 "));
    const ClipboardEntry entry = captured(pasteboard);
    EXPECT_EQ(entry.kind(), ClipboardKind::color);
    EXPECT_EQ(entry.colorHex(), QStringLiteral("#110000"));
    EXPECT_EQ(entry.text(), QStringLiteral(" 100 ")); // stored as read

    // An empty plain string is used, not the Markdown.
    MemoryPasteboard emptyText;
    emptyText.offer(Pasteboard::stringType(), QString());
    emptyText.offer(markdownType, QStringLiteral("#fff"));
    EXPECT_FALSE(captured(emptyText).colorHex());
    EXPECT_EQ(captured(emptyText).kind(), ClipboardKind::markdown);

    MemoryPasteboard markdownOnly;
    markdownOnly.offer(markdownType, QStringLiteral("#fff"));
    EXPECT_EQ(captured(markdownOnly).colorHex(), QStringLiteral("#FFFFFF"));
}

TEST(ClipboardCapture, ClassificationOrder) {
    const QStringList files{QStringLiteral("/a")};
    const std::optional<QString> some = QStringLiteral("x");
    const std::optional<QString> empty = QString();
    const std::optional<QString> none;
    using K = ClipboardKind;
    EXPECT_EQ(ClipboardCapture::classify(some, files, true, some, some, some), K::color);
    EXPECT_EQ(ClipboardCapture::classify(none, files, true, some, some, some), K::file);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, true, some, some, some), K::image);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, some, some, some), K::markdown);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, some, some), K::html);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, empty, some), K::text);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, none, none, QStringLiteral("a{}")),
              K::code);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, empty, empty), K::unknown);

    // A file copy whose plain string is a hexadecimal word is a colour, files kept.
    MemoryPasteboard fileCopy;
    fileCopy.setItems({itemWith(Pasteboard::fileURLType(), QStringLiteral("file:///tmp/x"))});
    fileCopy.offer(Pasteboard::stringType(), QStringLiteral("deadbeef"));
    const ClipboardEntry colour = captured(fileCopy);
    EXPECT_EQ(colour.kind(), K::color);
    EXPECT_EQ(colour.colorHex(), QStringLiteral("#DEADBEEF"));
    EXPECT_EQ(colour.filePaths(), QStringList{QStringLiteral("/tmp/x")});

    // Every representation is kept whatever the kind.
    MemoryPasteboard rich;
    rich.offer(Pasteboard::htmlType(), QStringLiteral("<b>hi</b>"));
    rich.offer(Pasteboard::stringType(), QStringLiteral("hi"));
    ClipboardEntry html = captured(rich);
    EXPECT_EQ(html.kind(), K::html);
    EXPECT_EQ(html.html(), QStringLiteral("<b>hi</b>"));
    EXPECT_EQ(html.text(), QStringLiteral("hi"));
    rich.offer(markdownType, QStringLiteral("**hi**"));
    EXPECT_EQ(captured(rich).kind(), K::markdown);
    EXPECT_EQ(captured(rich).html(), QStringLiteral("<b>hi</b>"));
}

TEST(ClipboardCapture, CodeHeuristic) {
    EXPECT_FALSE(ClipboardCapture::isLikelyCode(QStringLiteral("Tea; then biscuits")));
    EXPECT_TRUE(ClipboardCapture::isLikelyCode(QStringLiteral("Tea;\nthen biscuits")));
    EXPECT_TRUE(ClipboardCapture::isLikelyCode(QStringLiteral("if (a) { b }")));
    // CR LF is one character: these are one line.
    EXPECT_FALSE(ClipboardCapture::isLikelyCode(QStringLiteral("Tea;\r\nthen biscuits")));
    EXPECT_TRUE(ClipboardCapture::isLikelyCode(QStringLiteral("Tea;\r\n\nthen biscuits")));
    // Empty pieces are not lines; a lone CR LF is.
    EXPECT_FALSE(ClipboardCapture::isLikelyCode(QStringLiteral("\n\nTea;\n\n")));
    EXPECT_TRUE(ClipboardCapture::isLikelyCode(QStringLiteral("Tea;\n\r\n")));
    // Word markers need their space and match in any case; each marker counts once.
    EXPECT_FALSE(ClipboardCapture::isLikelyCode(QStringLiteral("selection\nreturned")));
    EXPECT_TRUE(ClipboardCapture::isLikelyCode(QStringLiteral("Select the\nrow")));
    EXPECT_TRUE(ClipboardCapture::isLikelyCode(QStringLiteral("IMPORT thing RETURN it")));
    EXPECT_FALSE(ClipboardCapture::isLikelyCode(QStringLiteral("a; b; c; d;")));
    EXPECT_TRUE(ClipboardCapture::isLikelyCode(QStringLiteral("x => y</")));

    MemoryPasteboard pasteboard;
    pasteboard.offer(Pasteboard::stringType(), QStringLiteral("let x = 1\nprint(x)"));
    EXPECT_EQ(captured(pasteboard).kind(), ClipboardKind::code);
}

TEST(ClipboardCapture, FileExtraction) {
    const QString fileURL = Pasteboard::fileURLType();
    const QString url = Pasteboard::urlType();
    PasteboardItem both;
    both.setString(QStringLiteral("file:///tmp/a%20b.txt"), fileURL);
    both.setString(QStringLiteral("file:///tmp/a%20b.txt"), url);
    PasteboardItem composed = itemWith(fileURL, QStringLiteral("file:///tmp/caf%C3%A9"));
    PasteboardItem decomposed = itemWith(url, QStringLiteral("file:///tmp/cafe%CC%81"));
    const QList<PasteboardItem> items{
        both,
        itemWith(url, QStringLiteral("https://example.com/x")),
        composed,
        itemWith(fileURL, QStringLiteral("file:///tmp/z")),
        decomposed,
        itemWith(fileURL, QStringLiteral("file:relative.txt")),
        itemWith(fileURL, QStringLiteral("file://")),
        itemWith(fileURL, QStringLiteral("::not a url::")),
        itemWith(fileURL, QStringLiteral("relative/path")),
        itemWith(fileURL, QStringLiteral("file://localhost/srv/share")),
    };
    EXPECT_EQ(ClipboardCapture::extractFiles(items),
              (QStringList{QStringLiteral("/tmp/a b.txt"), QString::fromUtf8("/tmp/café"),
                           QStringLiteral("/tmp/z"), QStringLiteral("/srv/share")}));

    // A web address is no file but stays the text.
    MemoryPasteboard web;
    web.setItems({itemWith(url, QStringLiteral("https://example.com/x"))});
    web.offer(url, QStringLiteral("https://example.com/x"));
    const ClipboardEntry entry = captured(web);
    EXPECT_EQ(entry.kind(), ClipboardKind::text);
    EXPECT_TRUE(entry.filePaths().isEmpty());
    EXPECT_EQ(entry.text(), QStringLiteral("https://example.com/x"));
}

TEST(ClipboardCapture, Images) {
    const QByteArray png = encoded(filled(4, 3), "PNG");
    MemoryPasteboard pngCopy;
    pngCopy.offer(Pasteboard::pngType(), png);
    pngCopy.offer(Pasteboard::tiffType(), encoded(filled(2000, 10), "TIFF"));
    ClipboardEntry image = captured(pngCopy);
    EXPECT_EQ(image.kind(), ClipboardKind::image);
    EXPECT_EQ(image.imagePNGData(), png);
    EXPECT_FALSE(pngCopy.requests().contains(Pasteboard::tiffType())); // PNG is taken as it is

    MemoryPasteboard tiffCopy;
    tiffCopy.offer(Pasteboard::tiffType(), encoded(filled(3600, 1200), "TIFF"));
    const auto normalised = ImageNormalizer::decode(captured(tiffCopy).imagePNGData().value());
    ASSERT_TRUE(normalised);
    EXPECT_EQ(normalised->size(), QSize(1800, 600));
    EXPECT_TRUE(captured(tiffCopy).imagePNGData()->startsWith("\x89PNG"));

    // A TIFF that does not decode gives way to another image format.
    MemoryPasteboard badTiff;
    badTiff.offer(Pasteboard::tiffType(), QByteArray("II*\0garbage", 11));
    badTiff.offer(QStringLiteral("image/bmp"), encoded(filled(5, 7), "BMP"));
    const auto fromBmp = ImageNormalizer::decode(captured(badTiff).imagePNGData().value());
    ASSERT_TRUE(fromBmp);
    EXPECT_EQ(fromBmp->size(), QSize(5, 7));
}

TEST(ClipboardCapture, BadImagesLeaveTheImageAbsent) {
    // The headers are readable: the budget is what refuses them.
    ASSERT_EQ(headerSize(tiffHeaderClaiming(200000, 200000)), QSize(200000, 200000));
    ASSERT_EQ(headerSize(pngHeaderClaiming(100000, 100000)), QSize(100000, 100000));
    MemoryPasteboard bombs;
    bombs.offer(Pasteboard::tiffType(), tiffHeaderClaiming(200000, 200000));
    bombs.offer(QStringLiteral("image/bmp"), pngHeaderClaiming(100000, 100000));
    bombs.offer(Pasteboard::stringType(), QStringLiteral("caption"));
    ClipboardEntry entry = captured(bombs);
    EXPECT_FALSE(entry.imagePNGData());
    EXPECT_EQ(entry.kind(), ClipboardKind::text);

    MemoryPasteboard garbage;
    garbage.offer(QStringLiteral("image/gif"), QByteArray("GIF89a\x01"));
    entry = captured(garbage);
    EXPECT_FALSE(entry.imagePNGData());
    EXPECT_EQ(entry.kind(), ClipboardKind::unknown);

    // The budget also guards the preview of a stored PNG.
    EXPECT_FALSE(ImageNormalizer::decode(pngHeaderClaiming(9000, 9000)));
    EXPECT_FALSE(ImageNormalizer::decode(QByteArray()));
}

TEST(ClipboardCapture, RepeatedCopyAndSearchText) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(Pasteboard::stringType(), QStringLiteral("Abc"));
    pasteboard.offer(Pasteboard::htmlType(), QStringLiteral("<i>Abc</i>"));
    const ClipboardEntry first = captured(pasteboard, QStringLiteral("org.one"));
    EXPECT_EQ(first.kind(), ClipboardKind::color);
    const ClipboardEntry second = captured(pasteboard, QStringLiteral("org.two"));
    EXPECT_EQ(first.fingerprint(), second.fingerprint());
    EXPECT_NE(first.id(), second.id());
    EXPECT_EQ(first.searchIndex(), QStringLiteral("color abc abc #aabbcc org.one"));

    MemoryPasteboard files;
    files.setItems({itemWith(Pasteboard::fileURLType(), QStringLiteral("file:///a/x.mov")),
                    itemWith(Pasteboard::fileURLType(), QStringLiteral("file:///b/y.txt"))});
    EXPECT_EQ(captured(files).searchIndex(), QStringLiteral("file /a/x.mov /b/y.txt"));
}

TEST(ClipboardCapture, HostileText) {
    MemoryPasteboard invalid;
    invalid.offer(Pasteboard::stringType(), QByteArray("caf\xc3 \xff\xfe{;"));
    const ClipboardEntry entry = captured(invalid);
    EXPECT_EQ(entry.kind(), ClipboardKind::code);
    EXPECT_TRUE(entry.text()->contains(QChar::ReplacementCharacter));

    // Huge text is stored whole; the search text stays short.
    MemoryPasteboard huge;
    QString text;
    for (int i = 0; i < 200000; ++i) {
        text += QStringLiteral("word%1 ").arg(i);
    }
    huge.offer(Pasteboard::stringType(), text);
    const ClipboardEntry big = captured(huge);
    EXPECT_EQ(big.kind(), ClipboardKind::text);
    EXPECT_EQ(big.text()->size(), text.size());
    EXPECT_LE(big.searchIndex()->size(), 4000);
}

TEST(ClipboardCapture, ContentOverTheStoredSizeLimitIsNotRecorded) {
    // The limit counts the content as history.json stores it: escapes and Base64 included.
    const qint64 limit = 1000;
    const QByteArray png = encoded(filled(40, 30), "PNG");
    const qint64 pngStored = StoredContentSize::escapedBase64(png);
    struct Case {
        const char* what;
        QString type;
        QByteArray bytes;
        bool recorded;
    };
    const QList<Case> cases{
        {"text within", Pasteboard::stringType(), QByteArray(900, 'a'), true},
        {"text over", Pasteboard::stringType(), QByteArray(1001, 'a'), false},
        {"slashes doubled", Pasteboard::stringType(), QByteArray(600, '/'), false},
        {"control characters", Pasteboard::stringType(), QByteArray(200, '\x01'), false},
        {"html over", Pasteboard::htmlType(), QByteArray("<p>") + QByteArray(1000, 'b'), false},
        {"image", Pasteboard::pngType(), png, pngStored <= limit},
    };
    for (const Case& c : cases) {
        MemoryPasteboard pasteboard;
        pasteboard.offer(c.type, c.bytes);
        testing::internal::CaptureStderr();
        const auto entry = ClipboardCapture::capture(pasteboard, std::nullopt, limit);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(entry.has_value(), c.recorded) << c.what;
        EXPECT_EQ(err,
                  c.recorded ? "" : "Quillstack: a copy larger than 1000 bytes was not recorded.\n")
            << c.what;
    }
    EXPECT_EQ(pngStored, escapedBase64Length(png));
    // The count never falls short of what the writer writes.
    const QString mixed = QStringLiteral("a\"\\/\u00e9\u20ac\U0001F600\t\x01 z").repeated(50);
    const ClipboardEntry entry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                               ClipboardKind::text, mixed, std::nullopt, std::nullopt, std::nullopt,
                               {}, std::nullopt, std::nullopt, QString(), {});
    const QByteArray written = EntryJson::encode(entry).value();
    const qint64 textMember = written.indexOf("\"filePaths\"") - written.indexOf("\"text\"");
    // The member is `"text": <quoted>,` then a line feed and the next member's indentation.
    const qint64 quoted = textMember - qint64(std::strlen("\"text\": ,\n  "));
    EXPECT_GE(StoredContentSize::escapedText(mixed, 1 << 30), quoted);
    EXPECT_GT(ClipboardCapture::maxStoredBytes, qint64(100) * 1024 * 1024);
}
