#include "panel/PreviewFormatter.h"

#include "PanelFixture.h"
#include "panel/GraphemePrefix.h"
#include "panel/HexColor.h"
#include "panel/PreviewDocument.h"

#include <QFontInfo>
#include <QPalette>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>

using namespace quillstack;
using test::makeEntry;

namespace {

// A fragment laid into a document, with the format of any character at hand.
struct Laid : PreviewDocument {
    explicit Laid(const QTextDocumentFragment& fragment) {
        QTextCursor(this).insertFragment(fragment);
    }
    QString text() const { return toPlainText(); }
    QTextCharFormat formatAt(qsizetype position) const {
        QTextCursor cursor(const_cast<Laid*>(this));
        cursor.setPosition(static_cast<int>(position) + 1);
        return cursor.charFormat();
    }
    QTextCharFormat formatOf(const QString& part) const { return formatAt(text().indexOf(part)); }
};

qsizetype characters(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

QTextDocumentFragment rich(ClipboardKind kind, const QString& text, test::Extras extras = {}) {
    return PreviewFormatter::rich(makeEntry(kind, text, std::move(extras)));
}

const PreviewPalette colours = PreviewPalette::dark();
const QString ellipsis = u"\u2026"_qs;

} // namespace

TEST(PreviewFormatter, RichPreviewsAreStyledUpToTheirLimits) {
    // HTML without an html field reads the text; an entry without either shows nothing.
    Laid fromText(rich(ClipboardKind::html, "a <b>bold</b> word"));
    EXPECT_EQ(fromText.text(), "a bold word");
    EXPECT_EQ(fromText.formatOf("bold").fontWeight(), QFont::Bold);
    const ClipboardEntry empty(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                               ClipboardKind::html, std::nullopt, std::nullopt, std::nullopt,
                               std::nullopt, {}, std::nullopt, std::nullopt, "f", std::nullopt);
    EXPECT_TRUE(Laid(PreviewFormatter::rich(empty)).text().isEmpty());
    // Only 700 characters of HTML are read, even when that cuts a tag in half; the 697 visible
    // ones are trimmed to 280 and an ellipsis, all unstyled.
    Laid cut(rich(ClipboardKind::html, "t", {.html = "<p>" + QString(690, 'x') + "<b>tail</b>"}));
    EXPECT_EQ(cut.text(), QString(280, 'x') + ellipsis);

    Laid doc(rich(ClipboardKind::markdown, "plain",
                  {.markdown = "# Title\n\nSome **bold** and *soft* text.\n\n- one\n- two"}));
    EXPECT_TRUE(doc.text().startsWith("Title"));
    EXPECT_EQ(doc.formatOf("bold").fontWeight(), QFont::Bold);
    EXPECT_TRUE(doc.formatOf("soft").fontItalic());
    EXPECT_EQ(doc.begin().blockFormat().headingLevel(), 1);
    EXPECT_NE(doc.findBlock(static_cast<int>(doc.text().indexOf("one"))).textList(), nullptr);
    Laid bold300(rich(ClipboardKind::markdown, "p", {.markdown = "**" + QString(300, 'b') + "**"}));
    EXPECT_EQ(bold300.text(), QString(280, 'b') + ellipsis);
    EXPECT_EQ(bold300.formatAt(0).fontWeight(), QFont::Normal);
    // The markdown field wins over the text, and the source is cut to 500 characters.
    Laid md500(rich(ClipboardKind::markdown, "plain", {.markdown = QString(499, 'm') + "Z tail"}));
    EXPECT_EQ(characters(md500.text()), 281);
    EXPECT_FALSE(md500.text().contains("plain"));

    // Other kinds show their subtitle, cut without an ellipsis.
    const QString longText = QString(150, 'a') + "   \n" + QString(200, 'b');
    for (ClipboardKind kind : {ClipboardKind::text, ClipboardKind::code, ClipboardKind::color,
                               ClipboardKind::unknown, ClipboardKind::file}) {
        const ClipboardEntry entry = makeEntry(kind, longText);
        EXPECT_EQ(Laid(PreviewFormatter::rich(entry)).text(), entry.subtitle().left(280));
    }
    EXPECT_EQ(Laid(rich(ClipboardKind::text, longText)).text(),
              QString(150, 'a') + ' ' + QString(129, 'b'));

    // Nothing external is fetched, also when the fragment is laid out elsewhere.
    const QString html = "<html><head><link rel=\"stylesheet\" href=\"/dev/zero\"/></head>"
                         "<body background=\"/dev/zero\"><p>before<img src=\"/dev/zero\">after"
                         "</p><table><tr><td background=\"/dev/zero\">cell</td></tr></table>"
                         "</body></html>";
    QTextDocument plain;
    QTextCursor(&plain).insertFragment(rich(ClipboardKind::html, "t", {.html = html}));
    plain.setTextWidth(300);
    EXPECT_GT(plain.size().height(), 0);
    EXPECT_TRUE(plain.toPlainText().contains("beforeafter")) << qPrintable(plain.toPlainText());
    EXPECT_FALSE(plain.toPlainText().contains(QChar::ObjectReplacementCharacter));
    EXPECT_FALSE(Laid(rich(ClipboardKind::markdown, "p", {.markdown = "see ![pic](/dev/zero)"}))
                     .text()
                     .contains(QChar::ObjectReplacementCharacter));
}

// Keywords by whole word in any case; a later pass wins: comments over keywords, strings over
// comments (a comment starting inside a string runs on after it). Strings span lines and hold
// escaped quotes; CR LF ends a line comment.
TEST(PreviewFormatter, CodeIsHighlightedInPassesUpToItsLimit) {
    Laid code(PreviewFormatter::code("Return format; select classes IF x\nconst y\n"
                                     "let a = 1 // return if\n/* block\nwhile */ let b\n"
                                     "let s = \"http://x\" + rest\n\"multi\nline \\\" q\"\n"
                                     "c // d\r\nwhile e\r\n// else",
                                     colours));
    const std::tuple<const char*, QColor, QFont::Weight> cases[] = {
        {"Return", colours.keyword, QFont::DemiBold},  {"select", colours.keyword, QFont::DemiBold},
        {"IF", colours.keyword, QFont::DemiBold},      {"const", colours.keyword, QFont::DemiBold},
        {"format", colours.label, QFont::Normal},      {"classes", colours.label, QFont::Normal},
        {"x\n", colours.label, QFont::Normal},         {"1", colours.label, QFont::Normal},
        {"return", colours.comment, QFont::Normal},    {"while", colours.comment, QFont::Normal},
        {"let b", colours.keyword, QFont::DemiBold},   {"let s", colours.keyword, QFont::DemiBold},
        {"\"http", colours.string, QFont::Normal},     {"x\" +", colours.string, QFont::Normal},
        {"\" + rest", colours.string, QFont::Normal},  {" + rest", colours.comment, QFont::Normal},
        {"line", colours.string, QFont::Normal},       {" q", colours.string, QFont::Normal},
        {"while e", colours.keyword, QFont::DemiBold}, {"e\n", colours.label, QFont::Normal},
        {"else", colours.comment, QFont::Normal},
    };
    for (const auto& [part, colour, weight] : cases) {
        EXPECT_EQ(code.formatOf(part).foreground().color(), colour) << part;
        EXPECT_EQ(code.formatOf(part).fontWeight(), weight) << part;
    }
    const QFont font = code.formatAt(0).font();
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 12.5);
    EXPECT_TRUE(QFontInfo(font).fixedPitch() || font.styleHint() == QFont::Monospace);
    const QString broken = "return \"x" + QString(QChar(0xd800)) + "\" // y"; // unpaired surrogate
    EXPECT_TRUE(Laid(PreviewFormatter::code(broken, colours)).text().startsWith("return"));

    // The palette follows the window's lightness.
    QPalette window;
    window.setColor(QPalette::Window, QColor(30, 30, 30));
    window.setColor(QPalette::WindowText, QColor(240, 240, 240));
    EXPECT_EQ(PreviewPalette::from(window).keyword, PreviewPalette::dark().keyword);
    EXPECT_EQ(PreviewPalette::from(window).label, QColor(240, 240, 240));
    window.setColor(QPalette::Window, QColor(245, 245, 245));
    EXPECT_EQ(PreviewPalette::from(window).keyword, PreviewPalette::light().keyword);
    const Laid lightIf(PreviewFormatter::code("if", PreviewPalette::light()));
    EXPECT_EQ(lightIf.formatAt(0).foreground().color(), PreviewPalette::light().keyword);

    // Limits count characters, not UTF-16 units; past them all styling goes.
    Laid fits(PreviewFormatter::code(QString(320, 'x'), colours));
    EXPECT_EQ(fits.text(), QString(320, 'x'));
    EXPECT_DOUBLE_EQ(fits.formatAt(319).font().pointSizeF(), 12.5);
    Laid longCode(PreviewFormatter::code("return " + QString(393, 'x'), colours));
    EXPECT_EQ(longCode.text(), "return " + QString(313, 'x') + ellipsis);
    EXPECT_EQ(longCode.formatAt(0).fontWeight(), QFont::Normal);
    EXPECT_FALSE(longCode.formatAt(0).hasProperty(QTextFormat::ForegroundBrush));
    const QString trimmed =
        Laid(PreviewFormatter::code(u"e\u0301"_qs.repeated(400), colours)).text();
    EXPECT_EQ(std::pair(characters(trimmed), trimmed.size()),
              std::pair(qsizetype(321), qsizetype(641)));
    // Huge input is cut before any work.
    EXPECT_EQ(characters(Laid(PreviewFormatter::code(QString(20'000'000, '"'), colours)).text()),
              321);
}

TEST(PreviewFormatter, FileIconsAreNeverBlank) {
    const QImage retina = PreviewFormatter::icon(std::nullopt, QColor(200, 200, 210), 2.0);
    EXPECT_EQ(std::pair(retina.size(), retina.deviceIndependentSize()),
              std::pair(QSize(88, 88), QSizeF(44, 44)));
    // No path, or a real one: the theme's icon or our doc symbol, always 44 x 44.
    for (const char* path : {"", "/no/such/report.pdf", "/tmp", "/dev/zero"}) {
        const QImage alpha = PreviewFormatter::icon(QString::fromUtf8(path), QColor(200, 200, 210))
                                 .convertToFormat(QImage::Format_Alpha8);
        EXPECT_EQ(alpha.size(), QSize(44, 44)) << path;
        EXPECT_TRUE(std::any_of(alpha.constBits(), alpha.constBits() + alpha.sizeInBytes(),
                                [](uchar a) { return a > 0; }))
            << path;
    }
}

// Characters longer than the first window (300 combining marks) and a window edge inside a
// surrogate pair (thumbs up with a skin tone) move no boundary.
TEST(GraphemePrefix, CountsUserPerceivedCharacters) {
    const QString family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_qs;
    const QString text = "a" + family + u"\u00f1e\u0301\r\nz"_qs;
    const QString heavy = "a" + QString(300, QChar(0x0301));
    const QString marks = heavy + "b" + heavy + "c";
    const QString thumbs = u"\U0001F44D\U0001F3FD"_qs.repeated(100);
    const std::tuple<QString, int, QString, bool> cases[] = {
        {text, 2, "a" + family, true},
        {text, 5, "a" + family + u"\u00f1e\u0301\r\n"_qs, true},
        {text, 6, text, false},
        {text, 0, QString(), true},
        {QString(), 0, QString(), false},
        {marks, 1, heavy, true},
        {marks, 3, heavy + "b" + heavy, true},
        {marks, 4, marks, false},
        {thumbs, 7, thumbs.left(28), true},
        {QString(10'000'000, 'x'), 3, "xxx", true},
    };
    for (const auto& [source, limit, expected, cut] : cases) {
        SCOPED_TRACE(source.left(8).toStdString() + " " + std::to_string(limit));
        EXPECT_EQ(GraphemePrefix(source, limit).text(), expected);
        EXPECT_EQ(GraphemePrefix(source, limit).isCut(), cut);
    }
}

TEST(HexColor, AcceptedAndRejectedForms) {
    const std::pair<QString, std::optional<QRgb>> cases[] = {
        {"#FF000080", qRgba(255, 0, 0, 128)},
        {" #00ff00\n", qRgba(0, 255, 0, 255)},
        {"A1#B2#C3", qRgba(0xa1, 0xb2, 0xc3, 255)}, // every "#" goes
        {"12345G", qRgba(0x01, 0x23, 0x45, 255)},   // digits read up to the G
        {"0x1234", qRgba(0x00, 0x12, 0x34, 255)},   // the prefix counts as length
        {"0x123456", qRgba(0x00, 0x12, 0x34, 0x56)},
        {"# 12345", qRgba(0x01, 0x23, 0x45, 255)}, // the scanner skips the space
        {"0xzzzz", qRgba(0, 0, 0, 255)},           // the leading 0 is a number
        {"#fff", std::nullopt},
        {"zz1234", std::nullopt},
        {"#", std::nullopt},
        {"#1234567", std::nullopt},
        {u"12345\u0301"_qs, std::nullopt}, // five characters
        {QString(5'000'000, 'f'), std::nullopt},
    };
    for (const auto& [hex, expected] : cases) {
        const std::optional<QColor> colour = colorFromHex(hex);
        ASSERT_EQ(colour.has_value(), expected.has_value()) << hex.left(20).toStdString();
        if (colour) {
            EXPECT_EQ(colour->spec(), QColor::Rgb);
            EXPECT_EQ(colour->rgba(), *expected) << hex.toStdString();
        }
    }
}
