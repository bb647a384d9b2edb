#include "panel/PreviewFormatter.h"

#include "TestEntries.h"
#include "app/SymbolIcon.h"
#include "panel/PreviewDocument.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QPalette>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>

using namespace quillstack;
using test::makeEntry;

namespace {

// A fragment laid into a document, with the format of any character at hand.
class Laid {
public:
    explicit Laid(const QTextDocumentFragment& fragment) {
        QTextCursor(&document_).insertFragment(fragment);
    }
    QString text() const { return document_.toPlainText(); }
    QTextCharFormat formatAt(qsizetype position) const {
        QTextCursor cursor(const_cast<PreviewDocument*>(&document_));
        cursor.setPosition(static_cast<int>(position) + 1);
        return cursor.charFormat();
    }
    QTextCharFormat formatOf(const QString& part, qsizetype from = 0) const {
        const qsizetype at = text().indexOf(part, from);
        EXPECT_GE(at, 0) << qPrintable(part);
        return formatAt(at);
    }
    bool anyBold() const {
        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().fontWeight() >= QFont::DemiBold) {
                    return true;
                }
            }
        }
        return false;
    }
    const QTextDocument& document() const { return document_; }

private:
    PreviewDocument document_;
};

qsizetype characters(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

ClipboardEntry markdownEntry(const QString& markdown) {
    return makeEntry(ClipboardKind::markdown, "plain", std::nullopt, markdown);
}

const PreviewPalette colours = PreviewPalette::dark();

} // namespace

TEST(PreviewFormatterRich, HtmlSourcesAndTheirLimit) {
    // Without html the text is read as HTML.
    Laid fromText(PreviewFormatter::rich(makeEntry(ClipboardKind::html, "a <b>bold</b> word")));
    EXPECT_EQ(fromText.text(), "a bold word");
    EXPECT_EQ(fromText.formatOf("bold").fontWeight(), QFont::Bold);

    const ClipboardEntry empty(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                               ClipboardKind::html, std::nullopt, std::nullopt, std::nullopt,
                               std::nullopt, {}, std::nullopt, std::nullopt, "f", std::nullopt);
    EXPECT_TRUE(Laid(PreviewFormatter::rich(empty)).text().isEmpty());

    // Only the first 700 characters are read, even when that cuts a tag in half.
    const QString html = "<p>" + QString(690, 'x') + "<b>tail</b></p>";
    const ClipboardEntry long_ = makeEntry(ClipboardKind::html, "t", std::nullopt, {}, html);
    const Laid cut(PreviewFormatter::rich(long_));
    EXPECT_FALSE(cut.text().contains("tail"));
    EXPECT_FALSE(cut.text().contains("<b"));
    // 697 visible characters: trimmed to 280 and an ellipsis, all unstyled.
    EXPECT_EQ(cut.text(), QString(280, 'x') + u"\u2026"_qs);
    EXPECT_FALSE(cut.anyBold());
}

TEST(PreviewFormatterRich, NothingExternalIsFetched) {
    const QString html = "<html><head><link rel=\"stylesheet\" href=\"/dev/zero\"/></head>"
                         "<body background=\"/dev/zero\"><p>before<img src=\"/dev/zero\">after"
                         "</p><table><tr><td background=\"/dev/zero\">cell</td></tr></table>"
                         "</body></html>";
    const QTextDocumentFragment fragment =
        PreviewFormatter::rich(makeEntry(ClipboardKind::html, "t", std::nullopt, {}, html));
    // Laying the fragment out elsewhere must not read the files either.
    QTextDocument plain;
    QTextCursor(&plain).insertFragment(fragment);
    plain.setTextWidth(300);
    EXPECT_GT(plain.size().height(), 0);
    EXPECT_TRUE(plain.toPlainText().contains("beforeafter")) << qPrintable(plain.toPlainText());
    EXPECT_FALSE(plain.toPlainText().contains(QChar::ObjectReplacementCharacter));

    const Laid markdown(PreviewFormatter::rich(markdownEntry("see ![pic](/dev/zero) here")));
    EXPECT_FALSE(markdown.text().contains(QChar::ObjectReplacementCharacter));
}

TEST(PreviewFormatterRich, MarkdownIsStyledUpToTheLimit) {
    const Laid shortDoc(PreviewFormatter::rich(markdownEntry("# Title\n\nSome **bold** and "
                                                             "*soft* text.\n\n- one\n- two")));
    EXPECT_TRUE(shortDoc.text().startsWith("Title"));
    EXPECT_FALSE(shortDoc.text().contains("**"));
    EXPECT_EQ(shortDoc.formatOf("bold").fontWeight(), QFont::Bold);
    EXPECT_TRUE(shortDoc.formatOf("soft").fontItalic());
    EXPECT_EQ(shortDoc.document().begin().blockFormat().headingLevel(), 1);
    EXPECT_NE(
        shortDoc.document().findBlock(static_cast<int>(shortDoc.text().indexOf("one"))).textList(),
        nullptr);

    const Laid bold300(PreviewFormatter::rich(markdownEntry("**" + QString(300, 'b') + "**")));
    EXPECT_EQ(bold300.text(), QString(280, 'b') + u"\u2026"_qs);
    EXPECT_FALSE(bold300.anyBold());

    // The markdown field wins over the text, and the source is cut to 500 characters.
    const Laid cut(PreviewFormatter::rich(markdownEntry(QString(499, 'm') + "Z tail")));
    EXPECT_EQ(characters(cut.text()), 281);
    EXPECT_FALSE(cut.text().contains("plain"));
}

TEST(PreviewFormatterRich, OtherKindsShowTheirSubtitle) {
    const QString longText = QString(150, 'a') + "   \n" + QString(200, 'b');
    for (ClipboardKind kind : {ClipboardKind::text, ClipboardKind::code, ClipboardKind::color,
                               ClipboardKind::unknown, ClipboardKind::file}) {
        const ClipboardEntry entry = makeEntry(kind, longText);
        const QString preview = Laid(PreviewFormatter::rich(entry)).text();
        EXPECT_EQ(preview, entry.subtitle().left(280)) << qPrintable(rawValue(kind));
        EXPECT_FALSE(preview.endsWith(u"\u2026"_qs));
    }
    EXPECT_EQ(Laid(PreviewFormatter::rich(makeEntry(ClipboardKind::text, longText))).text(),
              QString(150, 'a') + ' ' + QString(129, 'b'));
}

TEST(PreviewFormatterCode, KeywordsByWholeWordInAnyCase) {
    const Laid code(PreviewFormatter::code("Return format; select classes IF x\nconst y", colours));
    for (const char* keyword : {"Return", "select", "IF", "const"}) {
        const QTextCharFormat format = code.formatOf(keyword);
        EXPECT_EQ(format.foreground().color(), colours.keyword) << keyword;
        EXPECT_EQ(format.fontWeight(), QFont::DemiBold) << keyword;
    }
    for (const char* plain : {"format", "classes", "x"}) {
        EXPECT_EQ(code.formatOf(plain).foreground().color(), colours.label) << plain;
        EXPECT_EQ(code.formatOf(plain).fontWeight(), QFont::Normal) << plain;
    }
    const QFont font = code.formatAt(0).font();
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 12.5);
    EXPECT_TRUE(QFontInfo(font).fixedPitch() || font.styleHint() == QFont::Monospace);
}

TEST(PreviewFormatterCode, CommentsAndStringsOverride) {
    const Laid code(PreviewFormatter::code("let a = 1 // return if\n"
                                           "/* block\nwhile */ let b\n"
                                           "let s = \"http://x\" + rest\n"
                                           "\"multi\nline \\\" q\"",
                                           colours));
    const QString text = code.text();
    // A keyword inside a comment is green and regular.
    EXPECT_EQ(code.formatOf("return").foreground().color(), colours.comment);
    EXPECT_EQ(code.formatOf("return").fontWeight(), QFont::Normal);
    EXPECT_EQ(code.formatOf("while").foreground().color(), colours.comment);
    EXPECT_EQ(code.formatOf("let b").foreground().color(), colours.keyword);
    EXPECT_EQ(code.formatOf("1").foreground().color(), colours.label);

    // The comment runs from the slashes in the string to the end of the line; the string
    // pass then colours the whole quoted part, quotes included; after it stays green.
    const qsizetype quote = text.indexOf("\"http");
    EXPECT_EQ(code.formatAt(quote).foreground().color(), colours.string);
    EXPECT_EQ(code.formatOf("http").foreground().color(), colours.string);
    EXPECT_EQ(code.formatAt(quote + 9).foreground().color(), colours.string); // closing quote
    EXPECT_EQ(code.formatOf(" + rest").foreground().color(), colours.comment);
    EXPECT_EQ(code.formatOf("let s").foreground().color(), colours.keyword);

    // Strings may span lines and hold escaped quotes.
    EXPECT_EQ(code.formatOf("line").foreground().color(), colours.string);
    EXPECT_EQ(code.formatOf(" q").foreground().color(), colours.string);
}

TEST(PreviewFormatterCode, LimitsCountCharacters) {
    const Laid shortCode(PreviewFormatter::code(QString(320, 'x'), colours));
    EXPECT_EQ(shortCode.text(), QString(320, 'x'));
    EXPECT_DOUBLE_EQ(shortCode.formatAt(319).font().pointSizeF(), 12.5);

    const Laid longCode(PreviewFormatter::code("return " + QString(393, 'x'), colours));
    EXPECT_EQ(longCode.text(), "return " + QString(313, 'x') + u"\u2026"_qs);
    EXPECT_FALSE(longCode.anyBold());
    EXPECT_FALSE(longCode.formatAt(0).hasProperty(QTextFormat::ForegroundBrush));

    // Grapheme clusters, not UTF-16 units: 400 decomposed letters give 320 and an ellipsis.
    QString decomposed;
    for (int i = 0; i < 400; ++i) {
        decomposed += u"e\u0301"_qs;
    }
    const QString trimmed = Laid(PreviewFormatter::code(decomposed, colours)).text();
    EXPECT_EQ(characters(trimmed), 321);
    EXPECT_EQ(trimmed.size(), 641);
}

TEST(PreviewFormatterCode, LineEndingsAndBrokenText) {
    const Laid crlf(PreviewFormatter::code("a // c\r\nreturn b\r\n// if", colours));
    EXPECT_EQ(crlf.formatOf("return").foreground().color(), colours.keyword);
    EXPECT_EQ(crlf.formatOf("b").foreground().color(), colours.label);
    EXPECT_EQ(crlf.formatOf("if").foreground().color(), colours.comment);

    QString broken = "return \"x";
    broken += QChar(0xd800); // an unpaired surrogate
    broken += "\" // y";
    const Laid survived(PreviewFormatter::code(broken, colours));
    EXPECT_TRUE(survived.text().startsWith("return"));

    // Huge input is cut before any work.
    const QString huge = QString(20'000'000, '"');
    EXPECT_EQ(characters(Laid(PreviewFormatter::code(huge, colours)).text()), 321);
}

TEST(PreviewFormatterCode, PalettesFollowTheAppearance) {
    EXPECT_NE(PreviewPalette::light().label, PreviewPalette::dark().label);
    QPalette darkWindow;
    darkWindow.setColor(QPalette::Window, QColor(30, 30, 30));
    darkWindow.setColor(QPalette::WindowText, QColor(240, 240, 240));
    const PreviewPalette fromDark = PreviewPalette::from(darkWindow);
    EXPECT_EQ(fromDark.keyword, PreviewPalette::dark().keyword);
    EXPECT_EQ(fromDark.label, QColor(240, 240, 240));
    QPalette lightWindow;
    lightWindow.setColor(QPalette::Window, QColor(245, 245, 245));
    EXPECT_EQ(PreviewPalette::from(lightWindow).keyword, PreviewPalette::light().keyword);

    const Laid light(PreviewFormatter::code("if", PreviewPalette::light()));
    EXPECT_EQ(light.formatAt(0).foreground().color(), PreviewPalette::light().keyword);
}

TEST(PreviewFormatterIcon, FallsBackToOurDocSymbol) {
    const QColor tint(200, 200, 210);
    const QImage doc = SymbolIcon::image("doc", tint, QSize(44, 44));
    ASSERT_FALSE(doc.isNull());
    for (const std::optional<QString>& path :
         {std::optional<QString>(), std::optional<QString>("")}) {
        const QImage icon = PreviewFormatter::icon(path, tint);
        EXPECT_EQ(icon.size(), QSize(44, 44));
        EXPECT_EQ(icon, doc);
    }
    const QImage retina = PreviewFormatter::icon(std::nullopt, tint, 2.0);
    EXPECT_EQ(retina.size(), QSize(88, 88));
    EXPECT_EQ(retina.deviceIndependentSize(), QSizeF(44, 44));

    // A real path gives the theme's icon or the fallback, always 44 x 44 and never blank.
    for (const QString& path :
         {QString("/no/such/report.pdf"), QString("/tmp"), QString("/dev/zero")}) {
        const QImage icon = PreviewFormatter::icon(path, tint);
        EXPECT_EQ(icon.size(), QSize(44, 44)) << qPrintable(path);
        bool painted = false;
        for (int y = 0; y < icon.height() && !painted; ++y) {
            for (int x = 0; x < icon.width() && !painted; ++x) {
                painted = qAlpha(icon.pixel(x, y)) > 0;
            }
        }
        EXPECT_TRUE(painted) << qPrintable(path);
    }
}
