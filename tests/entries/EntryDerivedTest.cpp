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
using quillstack::test::pngOf;

namespace {

struct Fields {
    ClipboardKind kind = ClipboardKind::text;
    std::optional<QString> text{};
    std::optional<QString> markdown{};
    std::optional<QString> html{};
    std::optional<QString> colorHex{};
    QStringList files{};
    std::optional<QByteArray> image{};
    std::optional<QString> source{};
    std::optional<QString> searchIndex{};
};

ClipboardEntry entryOf(const Fields& f) {
    return ClipboardEntry(
        QUuid::createUuid(), QDateTime::currentDateTimeUtc(), f.kind, f.text, f.markdown, f.html,
        f.colorHex, f.files, f.image, f.source,
        EntryFingerprint::compute(f.kind, f.text, f.markdown, f.html, f.colorHex, f.files, f.image),
        f.searchIndex);
}

QString fingerprintOf(const Fields& f) {
    return EntryFingerprint::compute(f.kind, f.text, f.markdown, f.html, f.colorHex, f.files,
                                     f.image);
}

QString indexOf(const Fields& f) {
    return SearchIndex::compute(f.kind, f.text, f.markdown, f.html, f.colorHex, f.files, f.source);
}

int graphemes(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() >= 0) {
        ++count;
    }
    return count;
}

} // namespace

TEST(EntryFingerprint, FollowsTheDigestRule) {
    EXPECT_EQ(fingerprintOf({.text = QStringLiteral("abc")}),
              QStringLiteral("3e29f49d508a94d0bf608f0db6fc21c9c8cdc61ab3b1f57cbd97da21ce78e49e"));
    // The source application is not an input; the kind is; fields are kept apart.
    EXPECT_EQ(fingerprintOf({.text = QStringLiteral("a"), .source = QStringLiteral("x")}),
              fingerprintOf({.text = QStringLiteral("a"), .source = QStringLiteral("y")}));
    EXPECT_NE(fingerprintOf({.text = QStringLiteral("a")}),
              fingerprintOf({.kind = ClipboardKind::code, .text = QStringLiteral("a")}));
    EXPECT_NE(fingerprintOf({.text = QStringLiteral("a")}),
              fingerprintOf({.markdown = QStringLiteral("a")}));
    EXPECT_NE(fingerprintOf({.files = {QStringLiteral("a|b")}}),
              fingerprintOf({.files = {QStringLiteral("a"), QStringLiteral("b|")}}));
    // Only the first 512 KiB of an image count; an absent image differs from an empty one.
    QByteArray image(EntryFingerprint::maxImageBytes + 10, 'x');
    QByteArray other = image;
    other[other.size() - 1] = 'y';
    EXPECT_EQ(fingerprintOf({.kind = ClipboardKind::image, .image = image}),
              fingerprintOf({.kind = ClipboardKind::image, .image = other}));
    other[EntryFingerprint::maxImageBytes - 1] = 'y';
    EXPECT_NE(fingerprintOf({.kind = ClipboardKind::image, .image = image}),
              fingerprintOf({.kind = ClipboardKind::image, .image = other}));
    EXPECT_EQ(fingerprintOf({}).size(), 64);

    // A long text is hashed in pieces; the digest is that of its whole UTF-8 form, whatever
    // falls on a piece's edge (a surrogate pair, lone surrogates).
    for (const qsizetype at : {qsizetype(65535), qsizetype(65536), qsizetype(131071)}) {
        QString text(200000, u'x');
        text[at] = QChar(0xD83C);
        text[at + 1] = QChar(0xDF88); // a pair
        text[at + 3] = QChar(0xDC00); // lone
        text[at - 1] = QChar(0xD800); // lone
        QCryptographicHash whole(QCryptographicHash::Sha256);
        whole.addData(QByteArrayView("text\0", 5));
        whole.addData(text.toUtf8());
        whole.addData(QByteArrayView("\0\0\0\0\0", 5)); // its end and four empty fields
        EXPECT_EQ(fingerprintOf({.text = text}), QString::fromLatin1(whole.result().toHex()));
    }
}

TEST(SearchIndex, JoinsCutsCondensesAndLowerCases) {
    EXPECT_EQ(indexOf({.text = QStringLiteral("Hello  World")}),
              QStringLiteral("text hello world"));
    EXPECT_EQ(indexOf({.kind = ClipboardKind::file,
                       .html = QStringLiteral("<p>Big <b>Deal</b></p>"),
                       .colorHex = QStringLiteral("#ABCDEF"),
                       .files = {QStringLiteral("/A/x.txt"), QStringLiteral("/b")},
                       .source = QStringLiteral("org.Example")}),
              QStringLiteral("file big deal #abcdef /a/x.txt /b org.example"));

    // Lower-casing does not follow the locale (a Turkish locale would give a dotless i).
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_EQ(indexOf({.text = QStringLiteral("IRMAK")}), QStringLiteral("text irmak"));
    QLocale::setDefault(QLocale::c());

    // The cut counts user-perceived characters (here e + combining acute: two code units
    // each) and the whitespace inside, before it is condensed.
    const QString accented = QString(QStringLiteral("e\u0301")).repeated(5000);
    const QString cut = indexOf({.text = accented});
    EXPECT_EQ(graphemes(cut), SearchIndex::maxCharacters);
    EXPECT_EQ(cut, (QStringLiteral("text ") + accented).left(SearchIndex::maxCharacters * 2 - 5));
    const QString spaced = QString(3990, QLatin1Char(' ')) + QStringLiteral("abcdefghijklmnop");
    EXPECT_EQ(indexOf({.text = spaced}), QStringLiteral("text abcde"));

    // Huge text and HTML: the index stays bounded and the HTML past the cut is never needed.
    const QString huge = QString(8 * 1024 * 1024, QLatin1Char('A'));
    EXPECT_EQ(indexOf({.text = huge, .html = QStringLiteral("<p>x</p>").repeated(200000)}),
              (QStringLiteral("text ") + huge).left(SearchIndex::maxCharacters).toLower());
}

TEST(EntryText, CondensesWhitespaceAndConvertsHtml) {
    EXPECT_EQ(EntryText::condensedWhitespace(u"\t a \n\n b \u00a0 c\u2003\r\n"),
              QStringLiteral("a b c"));
    EXPECT_EQ(EntryText::condensedWhitespace(u""), QString());

    EXPECT_EQ(
        EntryText::condensedWhitespace(
            EntryText::htmlToPlainText(QStringLiteral("<p>Hello <b>World</b></p><p>x &amp; y</p>"))
                .value()),
        QStringLiteral("Hello World x & y"));
    EXPECT_FALSE(EntryText::htmlToPlainText(QString()));
    // External resources are never read (this would block forever on /dev/zero).
    EXPECT_EQ(
        EntryText::htmlToPlainText(
            QStringLiteral("<html><head><link rel=\"stylesheet\" href=\"file:///dev/zero\"></head>"
                           "<body><img src=\"file:///dev/zero\">ok</body></html>"))
            .value()
            .trimmed(),
        QStringLiteral("\ufffcok"));
    // Hostile input is cut before conversion.
    const QString deep = QStringLiteral("<table><tr><td>").repeated(400000);
    EXPECT_TRUE(EntryText::htmlToPlainText(deep).has_value());
}

TEST(EntryText, LargeHtmlKeepsTheTextThatFollowsItsMarkup) {
    // Some 325 KB of markup that never shows before the visible text, each in its own way.
    const QString css =
        QStringLiteral(".c { color: red; background: url(x.png); }\n").repeated(7000);
    const QString dataUrl = QStringLiteral("data:image/png;base64,") + QString(330000, u'A');
    const QString text = QStringLiteral("Visible words of the article");
    const QList<QString> pages{
        QStringLiteral("<html><head><style>") + css + QStringLiteral("</style></head><body><p>") +
            text + QStringLiteral("</p></body></html>"),
        QStringLiteral("<SCRIPT type=\"x\">") + css + QStringLiteral("</script ><p>") + text,
        QStringLiteral("<!--") + css + QStringLiteral("--><p>") + text,
        QStringLiteral("<p><img src=\"") + dataUrl + QStringLiteral("\">") + text +
            QStringLiteral("</p>"),
        QStringLiteral("<template>") + css + QStringLiteral("</template>") + text,
    };
    for (const QString& page : pages) {
        ASSERT_GT(page.size(), EntryText::maxHtmlLength);
        const QString plain = EntryText::htmlToPlainText(page).value_or(QString());
        EXPECT_TRUE(plain.contains(text)) << page.left(40).toStdString();
        EXPECT_FALSE(plain.contains(QStringLiteral("color"))) << page.left(40).toStdString();
        EXPECT_TRUE(indexOf({.kind = ClipboardKind::html, .html = page})
                        .contains(QStringLiteral("visible words of the article")));
    }
    // Visible text itself is still cut at the bound, never inside a surrogate pair.
    const QString emoji = QStringLiteral("\U0001F600");
    const QString long_ = QStringLiteral("a") + emoji.repeated(EntryText::maxHtmlLength);
    const QString plain = EntryText::htmlToPlainText(long_).value();
    EXPECT_EQ(plain.size(), EntryText::maxHtmlLength - 1);
    EXPECT_TRUE(plain.endsWith(emoji));
}

TEST(ClipboardEntry, TitlesAndSubtitles) {
    using K = ClipboardKind;
    struct Case {
        Fields fields;
        const char* title; // nullptr: not checked
        QString subtitle;
    };
    const QList<Case> cases{
        {{.text = QStringLiteral(" a\n b ")}, "Text", QStringLiteral("a b")},
        {{.kind = K::code}, nullptr, QString()},
        {{.kind = K::markdown, .text = QStringLiteral("t"), .markdown = QString()}, nullptr, {}},
        {{.kind = K::markdown, .text = QStringLiteral("t")}, nullptr, QStringLiteral("t")},
        {{.kind = K::html, .html = QStringLiteral("<i>A</i>  <b>B</b>")},
         nullptr,
         QStringLiteral("A B")},
        {{.kind = K::html, .text = QStringLiteral("plain")}, "HTML", QStringLiteral("plain")},
        {{.kind = K::image, .image = pngOf(64, 48)}, nullptr, QStringLiteral("64 x 48")},
        {{.kind = K::image, .image = QByteArray("not a png")}, nullptr, QStringLiteral("Image")},
        {{.kind = K::image}, nullptr, QStringLiteral("Image")},
        {{.kind = K::file, .files = {QStringLiteral("/a/x.mov"), QStringLiteral("/b/y.txt")}},
         "Video File",
         QStringLiteral("x.mov +1 more")},
        {{.kind = K::file,
          .files = {QStringLiteral("/b/report.pdf"), QStringLiteral("/a/x.mp4"),
                    QStringLiteral("/c")}},
         "Files",
         QStringLiteral("report.pdf +2 more")}, // only the first path counts
        {{.kind = K::file, .files = {QStringLiteral("/d/My Clip.MP4")}},
         "Video File",
         QStringLiteral("My Clip.MP4")},
        {{.kind = K::file, .files = {QStringLiteral("/d/folder/")}},
         nullptr,
         QStringLiteral("folder")},
        {{.kind = K::file}, "File", QStringLiteral("File")},
        {{.kind = K::color}, nullptr, QStringLiteral("Color")},
        {{.kind = K::color, .colorHex = QStringLiteral("#12AB34")},
         nullptr,
         QStringLiteral("#12AB34")},
        {{.kind = K::unknown}, "Unknown", QStringLiteral("Unsupported clipboard type")},
    };
    for (const Case& c : cases) {
        const ClipboardEntry entry = entryOf(c.fields);
        SCOPED_TRACE(c.subtitle.toStdString());
        if (c.title) {
            EXPECT_EQ(entry.title(), QString::fromUtf8(c.title));
        }
        EXPECT_EQ(entry.subtitle(), c.subtitle);
    }

    const ClipboardEntry video = entryOf(cases[9].fields);
    EXPECT_TRUE(video.isVideoFile());
    EXPECT_EQ(video.primaryFilePath(), QStringLiteral("/a/x.mov"));
    EXPECT_FALSE(entryOf(cases[10].fields).isVideoFile());
    EXPECT_FALSE(entryOf({.kind = K::file}).primaryFilePath());
    for (const char* notVideo : {"/d/.mov", "/d/mov", "/d/x.txt", "/d/x.unknownext", "/d/x."}) {
        EXPECT_FALSE(
            entryOf({.kind = K::file, .files = {QString::fromLatin1(notVideo)}}).isVideoFile())
            << notVideo;
    }
}

TEST(ClipboardEntry, SearchTextAndBackfill) {
    const ClipboardEntry indexed =
        entryOf({.text = QStringLiteral("X"), .searchIndex = QStringLiteral("stored")});
    EXPECT_EQ(indexed.searchableLowercased(), QStringLiteral("stored"));
    EXPECT_EQ(indexed.withBackfilledSearchIndex(), indexed);

    // An empty index falls back to the title, the HTML source and no condensing.
    const ClipboardEntry emptyIndex = entryOf({.kind = ClipboardKind::html,
                                               .text = QStringLiteral("A  B"),
                                               .html = QStringLiteral("<B>x</B>"),
                                               .searchIndex = QString()});
    EXPECT_EQ(emptyIndex.searchableLowercased(), QStringLiteral("html\na  b\n\n<b>x</b>\n\n\n"));
    EXPECT_EQ(emptyIndex.withBackfilledSearchIndex(), emptyIndex);

    const ClipboardEntry missing =
        entryOf({.text = QStringLiteral("Hello  World"), .source = QStringLiteral("org.App")});
    const ClipboardEntry filled = missing.withBackfilledSearchIndex();
    EXPECT_EQ(filled.searchIndex(), QStringLiteral("text hello world org.app"));
    EXPECT_EQ(filled.id(), missing.id());
    EXPECT_EQ(filled.timestamp(), missing.timestamp());
    EXPECT_EQ(ClipboardEntry(filled.id(), filled.timestamp(), filled.kind(), filled.text(),
                             filled.markdown(), filled.html(), filled.colorHex(),
                             filled.filePaths(), filled.imagePNGData(), filled.sourceAppBundleID(),
                             filled.fingerprint(), std::nullopt),
              missing);
    EXPECT_EQ(missing.searchableLowercased(),
              QStringLiteral("text\nhello  world\n\n\n\n\norg.app"));
}
