#include "entries/ClipboardEntry.h"
#include "entries/EntryFingerprint.h"
#include "entries/EntryText.h"
#include "entries/SearchIndex.h"
#include "support/TestImages.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QTextBoundaryFinder>
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

QString s(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST(EntryFingerprint, FollowsTheDigestRule) {
    EXPECT_EQ(fingerprintOf({.text = s("abc")}),
              s("3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e"));
    // The source application is not an input; the kind is; fields are kept apart.
    EXPECT_EQ(fingerprintOf({.text = s("a"), .source = s("x")}),
              fingerprintOf({.text = s("a"), .source = s("y")}));
    EXPECT_NE(fingerprintOf({.text = s("a")}), fingerprintOf({.kind = K::code, .text = s("a")}));
    EXPECT_NE(fingerprintOf({.text = s("a")}), fingerprintOf({.markdown = s("a")}));
    EXPECT_NE(fingerprintOf({.files = {s("a|b")}}), fingerprintOf({.files = {s("a"), s("b|")}}));
    // Only the first 512 KiB of an image count.
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
    EXPECT_EQ(indexOf({.text = s("Hello  World")}), s("text hello world"));
    EXPECT_EQ(indexOf({.kind = K::file,
                       .html = s("<p>Big <b>Deal</b></p>"),
                       .colorHex = s("#ABCDEF"),
                       .files = {s("/A/x.txt"), s("/b")},
                       .source = s("org.Example")}),
              s("file big deal #abcdef /a/x.txt /b org.example"));
    // Lower-casing does not follow the locale (a Turkish locale would give a dotless i).
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_EQ(indexOf({.text = s("IRMAK")}), s("text irmak"));
    QLocale::setDefault(QLocale::c());

    // The cut counts user-perceived characters (e + combining acute: two code units each) and
    // the whitespace inside, before it is condensed.
    const QString accented = s("e\u0301").repeated(5000);
    const QString cut = indexOf({.text = accented});
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, cut);
    int graphemes = 0;
    while (finder.toNextBoundary() >= 0) {
        ++graphemes;
    }
    EXPECT_EQ(graphemes, SearchIndex::maxCharacters);
    EXPECT_EQ(cut, (s("text ") + accented).left(SearchIndex::maxCharacters * 2 - 5));
    EXPECT_EQ(indexOf({.text = QString(3990, u' ') + s("abcdefghijklmnop")}), s("text abcde"));
    // Huge text and HTML: the index stays bounded and the HTML past the cut is never needed.
    const QString huge(8 * 1024 * 1024, u'A');
    EXPECT_EQ(indexOf({.text = huge, .html = s("<p>x</p>").repeated(200000)}),
              (s("text ") + huge).left(SearchIndex::maxCharacters).toLower());
}

TEST(EntryText, CondensesWhitespaceAndConvertsHtmlWithinBounds) {
    EXPECT_EQ(EntryText::condensedWhitespace(u"\t a \n\n b \u00a0 c\u2003\r\n"), s("a b c"));
    EXPECT_EQ(
        EntryText::condensedWhitespace(
            EntryText::htmlToPlainText(s("<p>Hello <b>World</b></p><p>x &amp; y</p>")).value()),
        s("Hello World x & y"));
    EXPECT_FALSE(EntryText::htmlToPlainText(QString()));
    // External resources are never read (this would block forever on /dev/zero).
    EXPECT_EQ(EntryText::htmlToPlainText(
                  s("<html><head><link rel=\"stylesheet\" href=\"file:///dev/zero\"></head>"
                    "<body><img src=\"file:///dev/zero\">ok</body></html>"))
                  .value()
                  .trimmed(),
              s("\ufffcok"));
    EXPECT_TRUE(EntryText::htmlToPlainText(s("<table><tr><td>").repeated(400000)).has_value());

    // Some 325 KB of markup that never shows comes before the visible text, each in its way.
    const QString css = s(".c { color: red; background: url(x.png); }\n").repeated(7000);
    const QString text = s("Visible words of the article");
    for (const QString& page :
         {s("<html><head><style>") + css + s("</style></head><body><p>") + text + s("</p>"),
          s("<SCRIPT type=\"x\">") + css + s("</script ><p>") + text,
          s("<!--") + css + s("--><p>") + text,
          s("<p><img src=\"data:image/png;base64,") + QString(330000, u'A') + s("\">") + text,
          s("<template>") + css + s("</template>") + text}) {
        SCOPED_TRACE(page.left(40).toStdString());
        ASSERT_GT(page.size(), EntryText::maxHtmlLength);
        const QString plain = EntryText::htmlToPlainText(page).value_or(QString());
        EXPECT_TRUE(plain.contains(text));
        EXPECT_FALSE(plain.contains(s("color")));
        EXPECT_TRUE(indexOf({.kind = K::html, .html = page}).contains(text.toLower()));
    }
    // Visible text itself is cut at the bound, never inside a surrogate pair.
    const QString emoji = s("\U0001F600");
    const QString plain =
        EntryText::htmlToPlainText(s("a") + emoji.repeated(EntryText::maxHtmlLength)).value();
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
        {{.text = s(" a\n b ")}, "Text", s("a b")},
        {{.kind = K::code}, nullptr, QString()},
        {{.kind = K::markdown, .text = s("t"), .markdown = QString()}, nullptr, {}},
        {{.kind = K::markdown, .text = s("t")}, nullptr, s("t")},
        {{.kind = K::html, .html = s("<i>A</i>  <b>B</b>")}, nullptr, s("A B")},
        {{.kind = K::html, .text = s("plain")}, "HTML", s("plain")},
        {{.kind = K::image, .image = test::pngOf(64, 48)}, nullptr, s("64 x 48")},
        {{.kind = K::image, .image = QByteArray("not a png")}, nullptr, s("Image")},
        {{.kind = K::image}, nullptr, s("Image")},
        {{.kind = K::file, .files = {s("/a/x.mov"), s("/b/y.txt")}},
         "Video File",
         s("x.mov +1 more")},
        {{.kind = K::file, .files = {s("/b/report.pdf"), s("/a/x.mp4"), s("/c")}},
         "Files",
         s("report.pdf +2 more")}, // only the first path counts
        {{.kind = K::file, .files = {s("/d/My Clip.MP4")}}, "Video File", s("My Clip.MP4")},
        {{.kind = K::file, .files = {s("/d/folder/")}}, nullptr, s("folder")},
        {{.kind = K::file}, "File", s("File")},
        {{.kind = K::color}, nullptr, s("Color")},
        {{.kind = K::color, .colorHex = s("#12AB34")}, nullptr, s("#12AB34")},
        {{.kind = K::unknown}, "Unknown", s("Unsupported clipboard type")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subtitle.toStdString());
        const ClipboardEntry entry = entryOf(c.fields);
        if (c.title) {
            EXPECT_EQ(entry.title(), s(c.title));
        }
        EXPECT_EQ(entry.subtitle(), c.subtitle);
    }
    const ClipboardEntry video = entryOf(cases[9].fields);
    EXPECT_TRUE(video.isVideoFile());
    EXPECT_EQ(video.primaryFilePath(), s("/a/x.mov"));
    EXPECT_FALSE(entryOf(cases[10].fields).isVideoFile());
    EXPECT_FALSE(entryOf({.kind = K::file}).primaryFilePath());
    for (const char* notVideo : {"/d/.mov", "/d/mov", "/d/x.txt", "/d/x.unknownext", "/d/x."}) {
        EXPECT_FALSE(entryOf({.kind = K::file, .files = {s(notVideo)}}).isVideoFile()) << notVideo;
    }
}

TEST(ClipboardEntry, SearchTextAndBackfill) {
    const ClipboardEntry indexed = entryOf({.text = s("X"), .searchIndex = s("stored")});
    EXPECT_EQ(indexed.searchableLowercased(), s("stored"));
    EXPECT_EQ(indexed.withBackfilledSearchIndex(), indexed);
    // An empty index falls back to the title, the HTML source and no condensing.
    const ClipboardEntry emptyIndex = entryOf(
        {.kind = K::html, .text = s("A  B"), .html = s("<B>x</B>"), .searchIndex = QString()});
    EXPECT_EQ(emptyIndex.searchableLowercased(), s("html\na  b\n\n<b>x</b>\n\n\n"));
    EXPECT_EQ(emptyIndex.withBackfilledSearchIndex(), emptyIndex);

    const ClipboardEntry missing = entryOf({.text = s("Hello  World"), .source = s("org.App")});
    EXPECT_EQ(missing.searchableLowercased(), s("text\nhello  world\n\n\n\n\norg.app"));
    const ClipboardEntry filled = missing.withBackfilledSearchIndex();
    EXPECT_EQ(filled.searchIndex(), s("text hello world org.app"));
    EXPECT_EQ(ClipboardEntry(filled.id(), filled.timestamp(), filled.kind(), filled.text(),
                             filled.markdown(), filled.html(), filled.colorHex(),
                             filled.filePaths(), filled.imagePNGData(), filled.sourceAppBundleID(),
                             filled.fingerprint(), std::nullopt),
              missing);
}
