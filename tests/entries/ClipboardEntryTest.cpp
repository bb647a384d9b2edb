#include "entries/ClipboardEntry.h"
#include "entries/EntryFingerprint.h"
#include "entries/EntryText.h"
#include "entries/ImageNormalizer.h"
#include "entries/SearchIndex.h"
#include "platform/memory/MemoryPasteboard.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QLocale>
#include <gtest/gtest.h>

using namespace quillstack;
using K = ClipboardKind;

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

const QString plain = Pasteboard::stringType();
const QString markdownType = ClipboardEntry::markdownPBType();

} // namespace

TEST(EntryFingerprint, FollowsTheDigestRule) {
    EXPECT_EQ(fingerprintOf({.text = "abc"}),
              "3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e");
    // The kind is an input; fields are kept apart.
    EXPECT_NE(fingerprintOf({.text = "a"}), fingerprintOf({.kind = K::code, .text = "a"}));
    EXPECT_NE(fingerprintOf({.text = "a"}), fingerprintOf({.markdown = "a"}));
    EXPECT_NE(fingerprintOf({.files = {"a|b"}}), fingerprintOf({.files = {"a", "b|"}}));
    QByteArray image(EntryFingerprint::maxImageBytes + 10, 'x');
    QByteArray other = image;
    other[other.size() - 1] = 'y';
    EXPECT_EQ(fingerprintOf({.kind = K::image, .image = image}),
              fingerprintOf({.kind = K::image, .image = other}));
    other[EntryFingerprint::maxImageBytes - 1] = 'y';
    EXPECT_NE(fingerprintOf({.kind = K::image, .image = image}),
              fingerprintOf({.kind = K::image, .image = other}));
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
}

TEST(SearchIndex, JoinsCutsCondensesAndLowerCases) {
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
    const QString huge(8 * 1024 * 1024, u'A');
    EXPECT_EQ(indexOf({.text = huge, .html = QString("<p>x</p>").repeated(200000)}),
              ("text " + huge).left(SearchIndex::maxCharacters).toLower());
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
        EXPECT_TRUE(indexOf({.kind = K::html, .html = page}).contains(text.toLower()));
    }
    const QString emoji = "\U0001F600";
    const QString plain =
        EntryText::htmlToPlainText("a" + emoji.repeated(EntryText::maxHtmlLength)).value();
    EXPECT_EQ(plain.size(), EntryText::maxHtmlLength - 1);
    EXPECT_TRUE(plain.endsWith(emoji));
}

TEST(ClipboardEntry, TitlesSubtitlesAndVideoFiles) {
    struct Case {
        Fields fields;
        const char* title; // nullptr: not checked
        QString subtitle;
    };
    const QList<Case> cases{
        {{.text = " a\n b "}, "Text", "a b"},
        {{.kind = K::code}, nullptr, QString()},
        {{.kind = K::markdown, .text = "t", .markdown = QString()}, nullptr, {}},
        {{.kind = K::markdown, .text = "t"}, nullptr, "t"},
        {{.kind = K::html, .html = "<i>A</i>  <b>B</b>"}, nullptr, "A B"},
        {{.kind = K::html, .text = "plain"}, "HTML", "plain"},
        {{.kind = K::image, .image = test::pngOf(64, 48)}, nullptr, "64 x 48"},
        {{.kind = K::image, .image = QByteArray("not a png")}, nullptr, "Image"},
        {{.kind = K::image}, nullptr, "Image"},
        {{.kind = K::file, .files = {"/a/x.mov", "/b/y.txt"}}, "Video File", "x.mov +1 more"},
        {{.kind = K::file, .files = {"/b/report.pdf", "/a/x.mp4", "/c"}},
         "Files",
         "report.pdf +2 more"}, // only the first path counts
        {{.kind = K::file, .files = {"/d/My Clip.MP4"}}, "Video File", "My Clip.MP4"},
        {{.kind = K::file, .files = {"/d/folder/"}}, nullptr, "folder"},
        {{.kind = K::file}, "File", "File"},
        {{.kind = K::color}, nullptr, "Color"},
        {{.kind = K::color, .colorHex = "#12AB34"}, nullptr, "#12AB34"},
        {{.kind = K::unknown}, "Unknown", "Unsupported clipboard type"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subtitle.toStdString());
        const ClipboardEntry entry = entryOf(c.fields);
        if (c.title) {
            EXPECT_EQ(entry.title(), QString(c.title));
        }
        EXPECT_EQ(entry.subtitle(), c.subtitle);
    }
    const ClipboardEntry video = entryOf(cases[9].fields);
    EXPECT_TRUE(video.isVideoFile());
    EXPECT_EQ(video.primaryFilePath(), "/a/x.mov");
    EXPECT_FALSE(entryOf(cases[10].fields).isVideoFile());
    EXPECT_FALSE(entryOf({.kind = K::file}).primaryFilePath());
    for (const char* notVideo : {"/d/.mov", "/d/mov", "/d/x.txt", "/d/x.unknownext", "/d/x."}) {
        EXPECT_FALSE(entryOf({.kind = K::file, .files = {QString(notVideo)}}).isVideoFile())
            << notVideo;
    }
}

TEST(ClipboardEntry, SearchTextAndBackfill) {
    const ClipboardEntry indexed = entryOf({.text = "X", .searchIndex = "stored"});
    EXPECT_EQ(indexed.searchableLowercased(), "stored");
    EXPECT_EQ(indexed.withBackfilledSearchIndex(), indexed);
    // An empty index falls back to the title, the HTML source and no condensing.
    const ClipboardEntry emptyIndex =
        entryOf({.kind = K::html, .text = "A  B", .html = "<B>x</B>", .searchIndex = QString()});
    EXPECT_EQ(emptyIndex.searchableLowercased(), "html\na  b\n\n<b>x</b>\n\n\n");
    EXPECT_EQ(emptyIndex.withBackfilledSearchIndex(), emptyIndex);
    const ClipboardEntry missing = entryOf({.text = "Hello  World", .source = "org.App"});
    EXPECT_EQ(missing.searchableLowercased(), "text\nhello  world\n\n\n\n\norg.app");
    const ClipboardEntry filled = missing.withBackfilledSearchIndex();
    EXPECT_EQ(filled.searchIndex(), "text hello world org.app");
    EXPECT_EQ(ClipboardEntry(filled.id(), filled.timestamp(), filled.kind(), filled.text(),
                             filled.markdown(), filled.html(), filled.colorHex(),
                             filled.filePaths(), filled.imagePNGData(), filled.sourceAppBundleID(),
                             filled.fingerprint(), std::nullopt),
              missing);
}

TEST(PasteboardWriter, FilesComeFirstThenImagesThenText) {
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
}

TEST(PasteboardWriter, HtmlMarkdownColourAndNothing) {
    MemoryPasteboard pasteboard;
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
    EXPECT_TRUE(pasteboard.pasteboardItems().isEmpty());
    EXPECT_GT(pasteboard.changeCount(), before);
}
