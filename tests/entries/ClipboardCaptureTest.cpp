#include "entries/ClipboardCapture.h"
#include "entries/EntryJson.h"
#include "entries/ImageNormalizer.h"
#include "entries/StoredContentSize.h"
#include "platform/memory/MemoryPasteboard.h"
#include "support/TestEnvironment.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace quillstack;
using test::encoded;
using test::filled;
using K = ClipboardKind;

namespace {

const QString markdownType = ClipboardEntry::markdownPBType();
const QString plainType = Pasteboard::stringType();

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// A little-endian TIFF whose header claims width x height 8-bit grey pixels, with no strips.
QByteArray tiffHeaderClaiming(quint32 width, quint32 height) {
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    const QList<std::pair<quint16, quint32>> tags{{256, width}, {257, height}, {258, 8},
                                                  {259, 1},     {262, 1},      {273, 0},
                                                  {277, 1},     {278, height}, {279, 0}};
    QByteArray ifd(2 + 12 * tags.size() + 4, '\0');
    qToLittleEndian(quint16(tags.size()), ifd.data());
    for (qsizetype i = 0; i < tags.size(); ++i) {
        char* entry = ifd.data() + 2 + 12 * i;
        qToLittleEndian(tags[i].first, entry);
        qToLittleEndian(quint16(4), entry + 2); // LONG
        qToLittleEndian(quint32(1), entry + 4);
        qToLittleEndian(tags[i].second, entry + 8);
    }
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
    return entry.value_or(ClipboardEntry({}, {}, K::unknown, {}, {}, {}, {}, {}, {}, {}, {}, {}));
}

ClipboardEntry capturedText(const QString& text) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(plainType, text);
    return captured(pasteboard);
}

std::optional<QImage> normalised(const QImage& image) {
    const auto png = ImageNormalizer::pngData(image, 1800);
    EXPECT_TRUE(!png || png->startsWith("\x89PNG"));
    return png ? ImageNormalizer::decode(*png) : std::nullopt;
}

} // namespace

TEST(ClipboardCapture, EmptyClipboardAndUnreadableItems) {
    MemoryPasteboard pasteboard;
    EXPECT_FALSE(ClipboardEntry::capture(pasteboard, s("org.example")).has_value());
    pasteboard.setItems({PasteboardItem()});
    const ClipboardEntry entry = captured(pasteboard, s("org.Example.App"));
    EXPECT_EQ(entry.kind(), K::unknown);
    EXPECT_FALSE(entry.text() || entry.markdown() || entry.html() || entry.colorHex() ||
                 entry.imagePNGData());
    EXPECT_TRUE(entry.filePaths().isEmpty());
    EXPECT_EQ(entry.searchIndex(), s("unknown org.example.app"));
    EXPECT_EQ(entry.sourceAppBundleID(), s("org.Example.App"));
}

TEST(ClipboardCapture, ColoursAndClassificationOrder) {
    for (const auto& [text, hex] :
         {std::pair("100", "#110000"), std::pair("bed", "#BBEEDD"),
          std::pair("  #1a2b3c \n\t", "#1A2B3C"), std::pair("#aAbBcCdD", "#AABBCCDD")}) {
        EXPECT_EQ(ClipboardCapture::detectHex(s(text)), s(hex));
    }
    for (const char* notAColour :
         {"1234", "#12345", "12g", "", "  ", "#", "##abc", "#1a2b3c4", "#abc def", "abcdefabc"}) {
        EXPECT_FALSE(ClipboardCapture::detectHex(s(notAColour))) << notAColour;
    }
    // Only the trimmed text counts, however much whitespace surrounds it.
    EXPECT_EQ(
        ClipboardCapture::detectHex(QString(100000, u' ') + s("#fff") + QString(100000, u'\n')),
        s("#FFFFFF"));
    const ClipboardEntry colour = capturedText(s(" 100 "));
    EXPECT_EQ(colour.kind(), K::color);
    EXPECT_EQ(colour.colorHex(), s("#110000"));
    EXPECT_EQ(colour.text(), s(" 100 ")); // stored as read
    // An empty plain string is used, not the Markdown.
    MemoryPasteboard emptyText;
    emptyText.offer(plainType, QString());
    emptyText.offer(markdownType, s("#fff"));
    EXPECT_FALSE(captured(emptyText).colorHex());
    EXPECT_EQ(captured(emptyText).kind(), K::markdown);
    MemoryPasteboard markdownOnly;
    markdownOnly.offer(markdownType, s("#fff"));
    EXPECT_EQ(captured(markdownOnly).colorHex(), s("#FFFFFF"));

    const QStringList files{s("/a")};
    const std::optional<QString> some = s("x"), empty = QString(), none;
    EXPECT_EQ(ClipboardCapture::classify(some, files, true, some, some, some), K::color);
    EXPECT_EQ(ClipboardCapture::classify(none, files, true, some, some, some), K::file);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, true, some, some, some), K::image);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, some, some, some), K::markdown);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, some, some), K::html);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, empty, some), K::text);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, none, none, s("a{}")), K::code);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, empty, empty), K::unknown);

    // A file copy whose plain string is a hexadecimal word is a colour, files kept.
    MemoryPasteboard fileCopy;
    fileCopy.setItems({itemWith(Pasteboard::fileURLType(), s("file:///tmp/x"))});
    fileCopy.offer(plainType, s("deadbeef"));
    EXPECT_EQ(captured(fileCopy).colorHex(), s("#DEADBEEF"));
    EXPECT_EQ(captured(fileCopy).filePaths(), QStringList{s("/tmp/x")});
    // Every representation is kept whatever the kind.
    MemoryPasteboard rich;
    rich.offer(Pasteboard::htmlType(), s("<b>hi</b>"));
    rich.offer(plainType, s("hi"));
    EXPECT_EQ(captured(rich).kind(), K::html);
    EXPECT_EQ(captured(rich).text(), s("hi"));
    rich.offer(markdownType, s("**hi**"));
    EXPECT_EQ(captured(rich).kind(), K::markdown);
    EXPECT_EQ(captured(rich).html(), s("<b>hi</b>"));
}

TEST(ClipboardCapture, CodeHeuristic) {
    for (const auto& [text, code] :
         {std::pair("Tea; then biscuits", false), std::pair("Tea;\nthen biscuits", true),
          std::pair("if (a) { b }", true),
          std::pair("Tea;\r\nthen biscuits", false), // CR LF is one character: one line
          std::pair("Tea;\r\n\nthen biscuits", true),
          std::pair("\n\nTea;\n\n", false), // empty pieces are not lines; a lone CR LF is
          std::pair("Tea;\n\r\n", true),
          std::pair("selection\nreturned", false), // word markers need their space
          std::pair("Select the\nrow", true), std::pair("IMPORT thing RETURN it", true),
          std::pair("a; b; c; d;", false), // each marker counts once
          std::pair("x => y</", true)}) {
        EXPECT_EQ(ClipboardCapture::isLikelyCode(s(text)), code) << text;
    }
    EXPECT_EQ(capturedText(s("let x = 1\nprint(x)")).kind(), K::code);
}

TEST(ClipboardCapture, FileExtraction) {
    const QString fileURL = Pasteboard::fileURLType();
    const QString url = Pasteboard::urlType();
    PasteboardItem both = itemWith(fileURL, s("file:///tmp/a%20b.txt"));
    both.setString(s("file:///tmp/a%20b.txt"), url);
    const QList<PasteboardItem> items{
        both,
        itemWith(url, s("https://example.com/x")),
        itemWith(fileURL, s("file:///tmp/caf%C3%A9")),
        itemWith(fileURL, s("file:///tmp/z")),
        itemWith(url, s("file:///tmp/cafe%CC%81")), // the same name, decomposed
        itemWith(fileURL, s("file:relative.txt")),
        itemWith(fileURL, s("file://")),
        itemWith(fileURL, s("::not a url::")),
        itemWith(fileURL, s("relative/path")),
        itemWith(fileURL, s("file://localhost/srv/share"))};
    EXPECT_EQ(ClipboardCapture::extractFiles(items),
              (QStringList{s("/tmp/a b.txt"), s("/tmp/café"), s("/tmp/z"), s("/srv/share")}));
    // A web address is no file but stays the text.
    MemoryPasteboard web;
    web.setItems({itemWith(url, s("https://example.com/x"))});
    web.offer(url, s("https://example.com/x"));
    const ClipboardEntry entry = captured(web);
    EXPECT_EQ(entry.kind(), K::text);
    EXPECT_TRUE(entry.filePaths().isEmpty());
    EXPECT_EQ(entry.text(), s("https://example.com/x"));
}

TEST(ClipboardCapture, ImagesAreNormalisedWithinTheDecodingBudget) {
    const QByteArray png = encoded(filled(4, 3), "PNG");
    MemoryPasteboard pngCopy;
    pngCopy.offer(Pasteboard::pngType(), png);
    pngCopy.offer(Pasteboard::tiffType(), encoded(filled(2000, 10), "TIFF"));
    EXPECT_EQ(captured(pngCopy).kind(), K::image);
    EXPECT_EQ(captured(pngCopy).imagePNGData(), png);
    EXPECT_FALSE(pngCopy.requests().contains(Pasteboard::tiffType())); // PNG is taken as it is

    MemoryPasteboard tiffCopy;
    tiffCopy.offer(Pasteboard::tiffType(), encoded(filled(3600, 1200), "TIFF"));
    EXPECT_TRUE(captured(tiffCopy).imagePNGData()->startsWith("\x89PNG"));
    EXPECT_EQ(ImageNormalizer::decode(captured(tiffCopy).imagePNGData().value())->size(),
              QSize(1800, 600));
    // A TIFF that does not decode gives way to another image format.
    MemoryPasteboard badTiff;
    badTiff.offer(Pasteboard::tiffType(), QByteArray("II*\0garbage", 11));
    badTiff.offer(s("image/bmp"), encoded(filled(5, 7), "BMP"));
    EXPECT_EQ(ImageNormalizer::decode(captured(badTiff).imagePNGData().value())->size(),
              QSize(5, 7));

    // Headers that claim too many pixels are refused before decoding; so is garbage.
    const QByteArray tiffBomb = tiffHeaderClaiming(200000, 200000);
    QBuffer header(const_cast<QByteArray*>(&tiffBomb));
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    ASSERT_EQ(QImageReader(&header).size(), QSize(200000, 200000)); // readable: the budget refuses
    MemoryPasteboard bombs;
    bombs.offer(Pasteboard::tiffType(), tiffBomb);
    bombs.offer(s("image/bmp"), test::bilevelPNG(9000, 9000));
    bombs.offer(plainType, s("caption"));
    EXPECT_FALSE(captured(bombs).imagePNGData());
    EXPECT_EQ(captured(bombs).kind(), K::text);
    MemoryPasteboard garbage;
    garbage.offer(s("image/gif"), QByteArray("GIF89a\x01"));
    EXPECT_FALSE(captured(garbage).imagePNGData());
    EXPECT_EQ(captured(garbage).kind(), K::unknown);
    EXPECT_FALSE(ImageNormalizer::decode(test::bilevelPNG(9000, 9000))); // also for previews
    EXPECT_FALSE(ImageNormalizer::decode(QByteArray()));
}

TEST(ImageNormalizer, ScalesDownToTheLongestSideAndNeverUp) {
    for (const auto& [from, to] :
         {std::pair(QSize(3600, 1200), QSize(1800, 600)),
          std::pair(QSize(1000, 3000), QSize(600, 1800)),
          std::pair(QSize(7000, 3500), QSize(1799, 899)),  // 7000 * (1800 / 7000) < 1800
          std::pair(QSize(1801, 1801), QSize(1801, 1801)), // within the tolerance
          std::pair(QSize(1802, 901), QSize(1800, 900)), std::pair(QSize(1, 1), QSize(1, 1)),
          std::pair(QSize(640, 480), QSize(640, 480)), std::pair(QSize(0, 0), QSize(0, 0))}) {
        EXPECT_EQ(ImageNormalizer::scaledSize(from, 1800), to) << from.width();
    }
    QImage source(3600, 1200, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    QPainter(&source).fillRect(0, 0, 1800, 1200, QColor(255, 0, 0, 128));
    const auto big = normalised(source);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size(), QSize(1800, 600));
    EXPECT_EQ(qAlpha(big->pixel(1799, 300)), 0);
    EXPECT_NEAR(qAlpha(big->pixel(100, 300)), 128, 2);
    EXPECT_NEAR(qRed(big->pixel(100, 300)), 255, 2);
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(Qt::blue);
    EXPECT_EQ(normalised(pixel)->pixel(0, 0), QColor(Qt::blue).rgb());
    EXPECT_EQ(normalised(pixel)->size(), QSize(1, 1));
    EXPECT_EQ(normalised(QImage(1802, 10, QImage::Format_RGB32))->size(), QSize(1800, 9));
    // Too thin to keep a whole pixel when scaled: kept at its own size.
    EXPECT_EQ(normalised(QImage(4000, 1, QImage::Format_RGB32))->size(), QSize(4000, 1));
    EXPECT_FALSE(ImageNormalizer::pngData(QImage(), 1800));
}

TEST(ClipboardCapture, RepeatedCopiesHostileAndHugeText) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(plainType, s("Abc"));
    pasteboard.offer(Pasteboard::htmlType(), s("<i>Abc</i>"));
    const ClipboardEntry first = captured(pasteboard, s("org.one"));
    const ClipboardEntry second = captured(pasteboard, s("org.two"));
    EXPECT_EQ(first.fingerprint(), second.fingerprint());
    EXPECT_NE(first.id(), second.id());
    EXPECT_EQ(first.searchIndex(), s("color abc abc #aabbcc org.one"));
    MemoryPasteboard files;
    files.setItems({itemWith(Pasteboard::fileURLType(), s("file:///a/x.mov")),
                    itemWith(Pasteboard::fileURLType(), s("file:///b/y.txt"))});
    EXPECT_EQ(captured(files).searchIndex(), s("file /a/x.mov /b/y.txt"));

    MemoryPasteboard invalid;
    invalid.offer(plainType, QByteArray("caf\xc3 \xff\xfe{;"));
    EXPECT_EQ(captured(invalid).kind(), K::code);
    EXPECT_TRUE(captured(invalid).text()->contains(QChar::ReplacementCharacter));
    // Huge text is stored whole; the search text stays short.
    QString text;
    for (int i = 0; i < 200000; ++i) {
        text += QStringLiteral("word%1 ").arg(i);
    }
    const ClipboardEntry big = capturedText(text);
    EXPECT_EQ(big.kind(), K::text);
    EXPECT_EQ(big.text()->size(), text.size());
    EXPECT_LE(big.searchIndex()->size(), 4000);
}

TEST(ClipboardCapture, ContentOverTheStoredSizeLimitIsNotRecorded) {
    // The limit counts the content as history.json stores it: escapes and Base64 included.
    const QByteArray png = encoded(filled(40, 30), "PNG");
    const qint64 pngStored = StoredContentSize::escapedBase64(png);
    EXPECT_EQ(pngStored, png.toBase64().replace("/", "\\/").size() + 2); // with its quotes
    struct Case {
        const char* what;
        QString type;
        QByteArray bytes;
        bool recorded;
    };
    for (const Case& c :
         {Case{"text within", plainType, QByteArray(900, 'a'), true},
          Case{"text over", plainType, QByteArray(1001, 'a'), false},
          Case{"slashes doubled", plainType, QByteArray(600, '/'), false},
          Case{"control characters", plainType, QByteArray(200, '\x01'), false},
          Case{"html over", Pasteboard::htmlType(), "<p>" + QByteArray(1000, 'b'), false},
          Case{"image", Pasteboard::pngType(), png, pngStored <= 1000}}) {
        MemoryPasteboard pasteboard;
        pasteboard.offer(c.type, c.bytes);
        test::CapturedStandardError errors;
        EXPECT_EQ(ClipboardCapture::capture(pasteboard, std::nullopt, 1000).has_value(), c.recorded)
            << c.what;
        EXPECT_EQ(errors.text(), c.recorded ? QByteArray()
                                            : "Quillstack: a copy larger than 1000 bytes was not "
                                              "recorded.\n")
            << c.what;
    }
    // The count never falls short of what the writer writes: the member is `"text": <quoted>,`
    // then a line feed and the next member's indentation.
    const QString mixed = s("a\"\\/\u00e9\u20ac\U0001F600\t\x01 z").repeated(50);
    const QByteArray written =
        EntryJson::encode(ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                                         K::text, mixed, std::nullopt, std::nullopt, std::nullopt,
                                         {}, std::nullopt, std::nullopt, QString(), {}))
            .value();
    const qint64 quoted = written.indexOf("\"filePaths\"") - written.indexOf("\"text\"") -
                          qint64(sizeof("\"text\": ,\n  ") - 1);
    EXPECT_GE(StoredContentSize::escapedText(mixed, 1 << 30), quoted);
}
