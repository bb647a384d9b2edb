#include "entries/ClipboardCapture.h"
#include "entries/EntryFingerprint.h"
#include "entries/EntryJson.h"
#include "entries/EntryText.h"
#include "entries/ImageNormalizer.h"
#include "entries/SearchIndex.h"
#include "entries/StoredContentSize.h"
#include "platform/memory/MemoryPasteboard.h"
#include "support/TestEnvironment.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QLocale>
#include <QPainter>
#include <gtest/gtest.h>

using namespace quillstack;
using test::encoded;
using test::filled;
using K = ClipboardKind;
using Offers = QList<std::pair<QString, QByteArray>>;

namespace {

struct Fields {
    K kind = K::text;
    std::optional<QString> text{}, markdown{}, html{}, colorHex{};
    QStringList files{};
    std::optional<QByteArray> image{};
    std::optional<QString> source{}, searchIndex{};
};

QString fingerprintOf(const Fields& f) {
    return EntryFingerprint::compute(f.kind, f.text, f.markdown, f.html, f.colorHex, f.files,
                                     f.image);
}

ClipboardEntry entryOf(const Fields& f) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), f.kind, f.text,
                          f.markdown, f.html, f.colorHex, f.files, f.image, f.source,
                          fingerprintOf(f), f.searchIndex);
}

QString indexOf(const Fields& f) {
    return SearchIndex::compute(f.kind, f.text, f.markdown, f.html, f.colorHex, f.files, f.source);
}

const QString markdownType = ClipboardEntry::markdownPBType();
const QString plain = Pasteboard::stringType();
const QString fileURL = Pasteboard::fileURLType();

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

ClipboardEntry captured(const Offers& offers, const QList<PasteboardItem>& items = {}) {
    MemoryPasteboard pasteboard;
    if (!items.isEmpty()) {
        pasteboard.setItems(items);
    }
    for (const auto& [type, bytes] : offers) {
        pasteboard.offer(type, bytes);
    }
    return captured(pasteboard);
}

std::optional<QImage> normalised(const QImage& image) {
    const auto png = ImageNormalizer::pngData(image, 1800);
    EXPECT_TRUE(!png || png->startsWith("\x89PNG"));
    return png ? ImageNormalizer::decode(*png) : std::nullopt;
}

} // namespace

TEST(ClipboardCapture, ColoursCodeAndClassificationOrder) {
    for (const auto& [text, hex] :
         {std::pair("100", "#110000"), std::pair("bed", "#BBEEDD"),
          std::pair("  #1a2b3c \n\t", "#1A2B3C"), std::pair("#aAbBcCdD", "#AABBCCDD")}) {
        EXPECT_EQ(ClipboardCapture::detectHex(text), hex);
    }
    for (const char* notAColour : {"1234", "  ", "##abc", "#1a2b3c4", "#abc def", "abcdefabc"}) {
        EXPECT_FALSE(ClipboardCapture::detectHex(notAColour)) << notAColour;
    }
    // Only the trimmed text counts, however much whitespace surrounds it.
    EXPECT_EQ(ClipboardCapture::detectHex(QString(100000, u' ') + "#fff" + QString(100000, u'\n')),
              "#FFFFFF");
    const ClipboardEntry colour = captured({{plain, " 100 "}});
    EXPECT_EQ(colour.colorHex(), "#110000");
    EXPECT_EQ(colour.text(), " 100 "); // stored as read
    // An empty plain string is used, not the Markdown.
    EXPECT_EQ(captured({{plain, ""}, {markdownType, "#fff"}}).kind(), K::markdown);
    EXPECT_EQ(captured({{markdownType, "#fff"}}).colorHex(), "#FFFFFF");
    const QStringList files{"/a"};
    const std::optional<QString> some = "x", empty = QString(), none;
    EXPECT_EQ(ClipboardCapture::classify(some, files, true, some, some, some), K::color);
    EXPECT_EQ(ClipboardCapture::classify(none, files, true, some, some, some), K::file);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, true, some, some, some), K::image);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, some, some, some), K::markdown);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, some, some), K::html);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, empty, some), K::text);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, none, none, "a{}"), K::code);
    EXPECT_EQ(ClipboardCapture::classify(none, {}, false, empty, empty, empty), K::unknown);
    // A file copy whose plain string is a hexadecimal word is a colour, files kept.
    const ClipboardEntry fileColour =
        captured({{plain, "deadbeef"}}, {itemWith(fileURL, "file:///tmp/x")});
    EXPECT_EQ(fileColour.colorHex(), "#DEADBEEF");
    EXPECT_EQ(fileColour.filePaths(), QStringList{"/tmp/x"});
    // Every representation is kept whatever the kind.
    EXPECT_EQ(captured({{Pasteboard::htmlType(), "<b>x</b>"}, {markdownType, "**x**"}}).html(),
              "<b>x</b>");
    for (const auto& [text, code] :
         {std::pair("Tea;\nthen biscuits", true), std::pair("Tea;\r\nthen biscuits", false),
          std::pair("Tea;\r\n\nthen biscuits", true), std::pair("\n\nTea;\n\n", false),
          std::pair("Tea;\n\r\n", true), std::pair("selection\nreturned", false),
          std::pair("Select the\nrow", true), std::pair("IMPORT thing RETURN it", true),
          std::pair("a; b; c; d;", false), std::pair("x => y</", true)}) {
        EXPECT_EQ(ClipboardCapture::isLikelyCode(text), code) << text;
    }
    const ClipboardEntry invalid = captured({{plain, QByteArray("caf\xc3 \xff\xfe{;")}});
    EXPECT_EQ(invalid.kind(), K::code);
    EXPECT_TRUE(invalid.text()->contains(QChar::ReplacementCharacter));
    const QString big = QString("word, ").repeated(300000); // read whole, whatever its size
    EXPECT_EQ(captured({{plain, big.toUtf8()}}).text(), big);
}

TEST(ClipboardCapture, ItemsFilesAndUrls) {
    MemoryPasteboard pasteboard;
    EXPECT_FALSE(ClipboardEntry::capture(pasteboard, "org.example").has_value());
    pasteboard.setItems({PasteboardItem()});
    const ClipboardEntry entry = captured(pasteboard, "org.Example.App");
    EXPECT_FALSE(entry.text() || entry.markdown() || entry.html() || entry.colorHex() ||
                 entry.imagePNGData() || !entry.filePaths().isEmpty());
    EXPECT_EQ(entry.searchIndex(), "unknown org.example.app");
    EXPECT_EQ(entry.sourceAppBundleID(), "org.Example.App");
    const QString url = Pasteboard::urlType();
    PasteboardItem both = itemWith(fileURL, "file:///tmp/a%20b.txt");
    both.setString("file:///tmp/a%20b.txt", url);
    EXPECT_EQ(ClipboardCapture::extractFiles(
                  {both, itemWith(url, "https://example.com/x"),
                   itemWith(fileURL, "file:///tmp/caf%C3%A9"), itemWith(fileURL, "file:///tmp/z"),
                   itemWith(url, "file:///tmp/cafe%CC%81"), // the same name, decomposed
                   itemWith(fileURL, "file:relative.txt"), itemWith(fileURL, "file://"),
                   itemWith(fileURL, "::not a url::"), itemWith(fileURL, "relative/path"),
                   itemWith(fileURL, "file://localhost/srv/share")}),
              (QStringList{"/tmp/a b.txt", "/tmp/café", "/tmp/z", "/srv/share"}));
    const ClipboardEntry web =
        captured({{url, "https://example.com/x"}}, {itemWith(url, "https://example.com/x")});
    EXPECT_EQ(web.text(), "https://example.com/x");
}

TEST(ClipboardCapture, ImagesAreNormalisedWithinTheDecodingBudget) {
    const QByteArray png = encoded(filled(4, 3), "PNG");
    MemoryPasteboard pngCopy;
    pngCopy.offer(Pasteboard::pngType(), png);
    pngCopy.offer(Pasteboard::tiffType(), encoded(filled(2000, 10), "TIFF"));
    EXPECT_EQ(captured(pngCopy).imagePNGData(), png);
    EXPECT_FALSE(pngCopy.requests().contains(Pasteboard::tiffType())); // PNG is taken as it is
    const auto fromTiff = captured({{Pasteboard::tiffType(), encoded(filled(3600, 1200), "TIFF")}});
    EXPECT_EQ(ImageNormalizer::decode(fromTiff.imagePNGData().value())->size(), QSize(1800, 600));
    // A TIFF that does not decode gives way to another image format.
    const auto fromBmp = captured({{Pasteboard::tiffType(), QByteArray("II*\0garbage", 11)},
                                   {"image/bmp", encoded(filled(5, 7), "BMP")}});
    EXPECT_EQ(ImageNormalizer::decode(fromBmp.imagePNGData().value())->size(), QSize(5, 7));
    // Images of too many pixels are refused before decoding, in any format; so is garbage.
    const QByteArray bomb = test::bilevelPNG(9000, 9000);
    const ClipboardEntry bombs =
        captured({{Pasteboard::tiffType(), bomb}, {"image/bmp", bomb}, {plain, "caption"}});
    EXPECT_FALSE(bombs.imagePNGData());
    const ClipboardEntry garbage = captured({{"image/gif", QByteArray("GIF89a\x01")}});
    EXPECT_FALSE(garbage.imagePNGData());
    EXPECT_FALSE(ImageNormalizer::decode(bomb)); // also for previews
    for (const auto& [from, to] :
         {std::pair(QSize(3600, 1200), QSize(1800, 600)),
          std::pair(QSize(1000, 3000), QSize(600, 1800)),
          std::pair(QSize(7000, 3500), QSize(1799, 899)),  // 7000 * (1800 / 7000) < 1800
          std::pair(QSize(1801, 1801), QSize(1801, 1801)), // within the tolerance
          std::pair(QSize(1802, 901), QSize(1800, 900)),
          std::pair(QSize(640, 480), QSize(640, 480)), std::pair(QSize(0, 0), QSize(0, 0))}) {
        EXPECT_EQ(ImageNormalizer::scaledSize(from, 1800), to) << from.width();
    }
    QImage source(3600, 1200, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    QPainter(&source).fillRect(0, 0, 1800, 1200, QColor(255, 0, 0, 128));
    const auto big = normalised(source);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size(), QSize(1800, 600));
    EXPECT_NEAR(qAlpha(big->pixel(100, 300)), 128, 2);
    EXPECT_NEAR(qRed(big->pixel(100, 300)), 255, 2);
    EXPECT_EQ(normalised(QImage(4000, 1, QImage::Format_RGB32))->size(), QSize(4000, 1));
    EXPECT_FALSE(ImageNormalizer::pngData(QImage(), 1800));
}

TEST(ClipboardCapture, ContentOverTheStoredSizeLimitIsNotRecorded) {
    // The limit counts the content as history.json stores it: escapes and Base64 included.
    const QByteArray png = encoded(filled(40, 30), "PNG");
    const qint64 pngStored = StoredContentSize::escapedBase64(png);
    for (const auto& [type, bytes, recorded] :
         {std::tuple(plain, QByteArray(900, 'a'), true),
          std::tuple(plain, QByteArray(1001, 'a'), false),
          std::tuple(plain, QByteArray(600, '/'), false), // escaped: doubled
          std::tuple(plain, QByteArray(200, '\x01'), false),
          std::tuple(Pasteboard::htmlType(), "<p>" + QByteArray(1000, 'b'), false),
          std::tuple(Pasteboard::pngType(), png, pngStored <= 1000)}) {
        SCOPED_TRACE(bytes.left(10).toStdString());
        MemoryPasteboard pasteboard;
        pasteboard.offer(type, bytes);
        test::CapturedStandardError errors;
        EXPECT_EQ(ClipboardCapture::capture(pasteboard, std::nullopt, 1000).has_value(), recorded);
        EXPECT_EQ(errors.text(),
                  recorded ? "" : "Quillstack: a copy larger than 1000 bytes was not recorded.\n");
    }
    // The count never falls short of what the writer writes: the member is `"text": <quoted>,`
    // then a line feed and the next member's indentation.
    const QString mixed = QString("a\"\\/\u00e9\u20ac\U0001F600\t\x01 z").repeated(50);
    const QByteArray written = EntryJson::encode(entryOf({.text = mixed})).value();
    const qint64 quoted = written.indexOf("\"filePaths\"") - written.indexOf("\"text\"") -
                          qint64(sizeof("\"text\": ,\n  ") - 1);
    EXPECT_GE(StoredContentSize::escapedText(mixed, 1 << 30), quoted);
}

TEST(DerivedValues, FingerprintDigestAndSearchIndex) {
    EXPECT_EQ(fingerprintOf({.text = "abc"}),
              "3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e");
    // The kind is an input; fields are kept apart.
    EXPECT_NE(fingerprintOf({.text = "a"}), fingerprintOf({.kind = K::code, .text = "a"}));
    EXPECT_NE(fingerprintOf({.text = "a"}), fingerprintOf({.markdown = "a"}));
    EXPECT_NE(fingerprintOf({.files = {"a|b"}}), fingerprintOf({.files = {"a", "b|"}}));
    const auto ofImage = [](const QByteArray& image) {
        return fingerprintOf({.kind = K::image, .image = image});
    };
    QByteArray image(EntryFingerprint::maxImageBytes + 10, 'x'), other = image;
    other[other.size() - 1] = 'y';
    EXPECT_EQ(ofImage(image), ofImage(other));
    other[EntryFingerprint::maxImageBytes - 1] = 'y';
    EXPECT_NE(ofImage(image), ofImage(other));
    // A long text is hashed in pieces; the digest is that of its whole UTF-8 form, whatever
    // falls on a piece's edge (a surrogate pair, lone surrogates).
    for (const qsizetype at : {qsizetype(65535), qsizetype(65536), qsizetype(131071)}) {
        QString text(200000, u'x');
        text[at] = QChar(0xD83C);
        text[at + 1] = QChar(0xDF88);
        text[at + 3] = QChar(0xDC00);
        text[at - 1] = QChar(0xD800);
        QCryptographicHash whole(QCryptographicHash::Sha256);
        whole.addData(QByteArrayView("text\0", 5));
        whole.addData(text.toUtf8());
        whole.addData(QByteArrayView("\0\0\0\0\0", 5)); // its end and four empty fields
        EXPECT_EQ(fingerprintOf({.text = text}), QString::fromLatin1(whole.result().toHex()));
    }
    EXPECT_EQ(indexOf({.text = "Hello  World"}), "text hello world");
    EXPECT_EQ(indexOf({.kind = K::file,
                       .html = "<p>Big <b>Deal</b></p>",
                       .colorHex = "#ABCDEF",
                       .files = {"/A/x.txt", "/b"},
                       .source = "org.Example"}),
              "file big deal #abcdef /a/x.txt /b org.example");
    // Lower-casing does not follow the locale (a Turkish locale would give a dotless i).
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_EQ(indexOf({.text = "IRMAK"}), "text irmak");
    QLocale::setDefault(QLocale::c());
    // The cut counts user-perceived characters (e + combining acute: two code units each) and
    // the whitespace inside, before it is condensed.
    const QString accented = QString("e\u0301").repeated(5000);
    EXPECT_EQ(indexOf({.text = accented}),
              ("text " + accented).left(SearchIndex::maxCharacters * 2 - 5));
    EXPECT_EQ(indexOf({.text = QString(3990, u' ') + "abcdefghijklmnop"}), "text abcde");
}

TEST(EntryText, CondensesWhitespaceAndConvertsHtmlWithinBounds) {
    EXPECT_EQ(EntryText::condensedWhitespace(u"\t a \n\n b \u00a0 c\u2003\r\n"), "a b c");
    EXPECT_EQ(EntryText::condensedWhitespace(
                  EntryText::htmlToPlainText("<p>Hello <b>World</b></p><p>x &amp; y</p>").value()),
              "Hello World x & y");
    EXPECT_FALSE(EntryText::htmlToPlainText(QString()));
    // External resources are never read (this would block forever on /dev/zero).
    EXPECT_EQ(EntryText::htmlToPlainText(
                  QString("<html><head><link rel=\"stylesheet\" href=\"file:///dev/zero\"></head>"
                          "<body><img src=\"file:///dev/zero\">ok</body></html>"))
                  .value()
                  .trimmed(),
              "\ufffcok");
    EXPECT_TRUE(
        EntryText::htmlToPlainText(QString("<table><tr><td>").repeated(400000)).has_value());
    // Some 325 KB of markup that never shows comes before the visible text, each in its way.
    const QString css = QString(".c { color: red; background: url(x.png); }\n").repeated(7000);
    const QString text = "Visible words of the article";
    for (const QString& page :
         {"<html><head><style>" + css + "</style></head><body><p>" + text + "</p>",
          "<SCRIPT type=\"x\">" + css + "</script ><p>" + text, "<!--" + css + "--><p>" + text,
          "<p><img src=\"data:image/png;base64," + QString(330000, u'A') + "\">" + text,
          "<template>" + css + "</template>" + text}) {
        SCOPED_TRACE(page.left(40).toStdString());
        ASSERT_GT(page.size(), EntryText::maxHtmlLength);
        const QString plain = EntryText::htmlToPlainText(page).value_or(QString());
        EXPECT_TRUE(plain.contains(text));
        EXPECT_FALSE(plain.contains("color"));
    }
    const QString emoji = "\U0001F600";
    const QString plain =
        EntryText::htmlToPlainText("a" + emoji.repeated(EntryText::maxHtmlLength)).value();
    EXPECT_EQ(plain.size(), EntryText::maxHtmlLength - 1);
    EXPECT_TRUE(plain.endsWith(emoji));
}

TEST(ClipboardEntry, TitlesSubtitlesAndVideoFiles) {
    for (const auto& [fields, subtitle] : QList<std::pair<Fields, QString>>{
             {{.text = " a\n b "}, "a b"},
             {{.kind = K::markdown, .text = "t", .markdown = QString()}, {}},
             {{.kind = K::markdown, .text = "t"}, "t"},
             {{.kind = K::html, .html = "<i>A</i>  <b>B</b>"}, "A B"},
             {{.kind = K::html, .text = "plain"}, "plain"},
             {{.kind = K::image, .image = test::pngOf(64, 48)}, "64 x 48"},
             {{.kind = K::image, .image = QByteArray("not a png")}, "Image"},
             {{.kind = K::image}, "Image"},
             {{.kind = K::file, .files = {"/b/report.pdf", "/a/x.mp4", "/c"}},
              "report.pdf +2 more"},
             {{.kind = K::file, .files = {"/d/folder/"}}, "folder"},
             {{.kind = K::file}, "File"},
             {{.kind = K::color}, "Color"},
             {{.kind = K::color, .colorHex = "#12AB34"}, "#12AB34"},
             {{.kind = K::unknown}, "Unsupported clipboard type"}}) {
        EXPECT_EQ(entryOf(fields).subtitle(), subtitle);
    }
    // Only the first path counts; the extension decides, whatever its case.
    for (const auto& [files, title] :
         QList<std::pair<QStringList, QString>>{{{"/a/x.mov", "/b/y.txt"}, "Video File"},
                                                {{"/d/My Clip.MP4"}, "Video File"},
                                                {{"/b/report.pdf", "/a/x.mp4"}, "Files"},
                                                {{}, "File"},
                                                {{"/d/.mov"}, "File"},
                                                {{"/d/mov"}, "File"},
                                                {{"/d/x.txt"}, "File"},
                                                {{"/d/x.unknownext"}, "File"},
                                                {{"/d/x."}, "File"}}) {
        EXPECT_EQ(entryOf({.kind = K::file, .files = files}).title(), title)
            << files.value(0).toStdString();
    }
    EXPECT_FALSE(entryOf({.kind = K::file}).primaryFilePath());
    const ClipboardEntry indexed = entryOf({.text = "X", .searchIndex = "stored"});
    EXPECT_EQ(indexed.searchableLowercased(), "stored");
    // An empty index falls back to the title, the HTML source and no condensing.
    const ClipboardEntry emptyIndex =
        entryOf({.kind = K::html, .text = "A  B", .html = "<B>x</B>", .searchIndex = QString()});
    EXPECT_EQ(emptyIndex.searchableLowercased(), "html\na  b\n\n<b>x</b>\n\n\n");
    EXPECT_EQ(emptyIndex.withBackfilledSearchIndex(), emptyIndex);
    const ClipboardEntry missing = entryOf({.text = "Hello  World", .source = "org.App"});
    EXPECT_EQ(missing.searchableLowercased(), "text\nhello  world\n\n\n\n\norg.app");
    EXPECT_EQ(missing.withBackfilledSearchIndex().searchIndex(), "text hello world org.app");
}

TEST(PasteboardWriter, WritesEachKindBack) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(plain, QByteArray("old"));
    entryOf({.kind = K::file,
             .text = "words",
             .files = {"/tmp/a b.txt", "/tmp/c"},
             .image = test::pngOf(2, 2)})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.types(), QStringList{Pasteboard::fileURLType()});
    const QList<PasteboardItem> items = pasteboard.pasteboardItems();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].string(Pasteboard::fileURLType()), "file:///tmp/a%20b.txt");
    EXPECT_EQ(items[1].string(Pasteboard::fileURLType()), "file:///tmp/c");
    // The stored PNG goes back byte for byte, never decoded: also one over the decoding limit.
    const QByteArray huge = test::bilevelPNG(9000, 9000);
    ASSERT_FALSE(ImageNormalizer::decode(huge));
    const QByteArray bmp = test::encoded(test::filled(3, 2), "BMP");
    for (const auto& [stored, pastedSize] :
         {std::pair(test::pngOf(3, 2), QSize(3, 2)), std::pair(huge, QSize(9000, 9000)),
          std::pair(bmp, QSize(3, 2)), std::pair(QByteArray("not a png"), QSize()),
          std::pair(test::bilevelPNG(0, 5), QSize())}) {
        MemoryPasteboard board;
        entryOf({.kind = K::image, .text = "t", .image = stored}).write(board);
        if (!pastedSize.isValid()) { // the text is written instead
            EXPECT_EQ(board.types(), QStringList{plain});
            EXPECT_EQ(board.string(plain), "t");
            continue;
        }
        EXPECT_EQ(board.types(), QStringList{Pasteboard::pngType()});
        QByteArray pasted = board.data(Pasteboard::pngType()).value();
        if (stored.startsWith("\x89PNG")) {
            EXPECT_EQ(pasted, stored);
        }
        QBuffer buffer(&pasted);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        EXPECT_EQ(reader.format(), "png");
        EXPECT_EQ(reader.size(), pastedSize);
    }
    entryOf({.kind = K::html, .html = "<p>Hello <b>world</b></p>"}).write(pasteboard);
    EXPECT_EQ(pasteboard.types(), (QStringList{Pasteboard::htmlType(), plain}));
    EXPECT_EQ(pasteboard.string(Pasteboard::htmlType()), "<p>Hello <b>world</b></p>");
    EXPECT_EQ(pasteboard.string(plain)->trimmed(), "Hello world");
    entryOf({.kind = K::html, .text = QString(), .markdown = "*m*", .html = "<i>h</i>"})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), QString());
    EXPECT_FALSE(pasteboard.hasType(markdownType));
    entryOf({.kind = K::markdown, .text = QString(), .markdown = "# Title", .html = QString()})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.types(), (QStringList{markdownType, plain}));
    EXPECT_EQ(pasteboard.string(markdownType), "# Title");
    EXPECT_EQ(pasteboard.string(plain), QString());
    entryOf({.kind = K::markdown, .markdown = "# Title"}).write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), "# Title");
    // A colour goes back as the text it was copied as, else as its hexadecimal form.
    pasteboard.clearContents();
    pasteboard.offer(plain, QByteArray("#abc"));
    ClipboardEntry::capture(pasteboard, std::nullopt)->write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), "#abc");
    entryOf({.kind = K::color, .text = QString(), .colorHex = "#AABBCC"}).write(pasteboard);
    EXPECT_EQ(pasteboard.types(), QStringList{plain});
    EXPECT_EQ(pasteboard.string(plain), "#AABBCC");
    const qint64 before = pasteboard.changeCount();
    entryOf({.kind = K::unknown, .text = QString()}).write(pasteboard);
    EXPECT_TRUE(pasteboard.types().isEmpty());
    EXPECT_GT(pasteboard.changeCount(), before);
}
