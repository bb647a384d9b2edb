#include "panel/PreviewFormatter.h"

#include "PanelFixture.h"
#include "panel/GraphemePrefix.h"
#include "panel/HexColor.h"
#include "panel/PreviewDocument.h"

#include <QFontInfo>
#include <QPalette>
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

Laid rich(ClipboardKind kind, const QString& text, test::Extras extras = {}) {
    return Laid(PreviewFormatter::rich(makeEntry(kind, text, std::move(extras))));
}

const PreviewPalette colours = PreviewPalette::dark();
const QString ellipsis = u"\u2026"_qs;

} // namespace

TEST(PreviewFormatter, RichPreviewsAreStyledUpToTheirLimits) {
    // HTML without an html field reads the text; an entry without either shows nothing.
    EXPECT_EQ(rich(ClipboardKind::html, "a <b>bold</b> word").text(), "a bold word");
    const ClipboardEntry empty(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                               ClipboardKind::html, std::nullopt, std::nullopt, std::nullopt,
                               std::nullopt, {}, std::nullopt, std::nullopt, "f", std::nullopt);
    EXPECT_TRUE(Laid(PreviewFormatter::rich(empty)).text().isEmpty());
    // 700 characters of HTML are read, even cutting a tag; 280 are shown and an ellipsis.
    EXPECT_EQ(
        rich(ClipboardKind::html, "t", {.html = "<p>" + QString(690, 'x') + "<b>tail</b>"}).text(),
        QString(280, 'x') + ellipsis);
    // The markdown field wins over the text.
    const Laid markdown =
        rich(ClipboardKind::markdown, "plain", {.markdown = "Some **bold** text"});
    EXPECT_EQ(markdown.text(), "Some bold text");
    EXPECT_EQ(markdown.formatOf("bold").fontWeight(), QFont::Bold);
    EXPECT_EQ(
        rich(ClipboardKind::markdown, "p", {.markdown = "**" + QString(300, 'b') + "**"}).text(),
        QString(280, 'b') + ellipsis);
    // Other kinds show their subtitle, cut without an ellipsis.
    EXPECT_EQ(rich(ClipboardKind::text, QString(150, 'a') + "   \n" + QString(200, 'b')).text(),
              QString(150, 'a') + ' ' + QString(129, 'b'));
    // Nothing external is fetched, also when the fragment is laid out elsewhere.
    const QString html = "<html><head><link rel=\"stylesheet\" href=\"/dev/zero\"/></head>"
                         "<body background=\"/dev/zero\"><p>before<img src=\"/dev/zero\">after"
                         "</p><table><tr><td background=\"/dev/zero\">cell</td></tr></table>"
                         "</body></html>";
    QTextDocument plain;
    QTextCursor(&plain).insertFragment(
        PreviewFormatter::rich(makeEntry(ClipboardKind::html, "t", {.html = html})));
    plain.setTextWidth(300);
    EXPECT_GT(plain.size().height(), 0);
    EXPECT_TRUE(plain.toPlainText().contains("beforeafter"));
    EXPECT_EQ(rich(ClipboardKind::markdown, "p", {.markdown = "see ![pic](/dev/zero)"}).text(),
              "see ");
}

// Keywords by whole word in any case; comments win over keywords, strings over comments (one
// starting in a string runs on after it); strings span lines; CR LF ends a line comment.
TEST(PreviewFormatter, CodeIsHighlightedInPassesUpToItsLimit) {
    Laid code(PreviewFormatter::code("Return format\nlet a = 1 // return if\n/* block\nwhile */ "
                                     "let b\nlet s = \"http://x\" + rest\n\"multi\nline \\\" q\"\n"
                                     "c // d\r\nwhile e",
                                     colours));
    const std::tuple<const char*, QColor, QFont::Weight> cases[] = {
        {"Return", colours.keyword, QFont::DemiBold}, {"format", colours.label, QFont::Normal},
        {"return", colours.comment, QFont::Normal},   {"while", colours.comment, QFont::Normal},
        {"let b", colours.keyword, QFont::DemiBold},  {"x\" +", colours.string, QFont::Normal},
        {" + rest", colours.comment, QFont::Normal},  {"line", colours.string, QFont::Normal},
        {" q", colours.string, QFont::Normal},        {"while e", colours.keyword, QFont::DemiBold},
    };
    for (const auto& [part, colour, weight] : cases) {
        EXPECT_EQ(code.formatOf(part).foreground().color(), colour) << part;
        EXPECT_EQ(code.formatOf(part).fontWeight(), weight) << part;
    }
    const QFont font = code.formatAt(0).font();
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
    // Limits count characters, not UTF-16 units; past them all styling goes.
    EXPECT_EQ(Laid(PreviewFormatter::code(QString(320, 'x'), colours)).text(), QString(320, 'x'));
    Laid longCode(PreviewFormatter::code("return " + QString(393, 'x'), colours));
    EXPECT_EQ(longCode.text(), "return " + QString(313, 'x') + ellipsis);
    EXPECT_FALSE(longCode.formatAt(0).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(Laid(PreviewFormatter::code(u"e\u0301"_qs.repeated(400), colours)).text(),
              u"e\u0301"_qs.repeated(320) + ellipsis);
    // Huge input is cut before any work.
    EXPECT_EQ(Laid(PreviewFormatter::code(QString(20'000'000, '"'), colours)).text(),
              QString(320, '"') + ellipsis);
}

TEST(PreviewFormatter, FileIconsAreNeverBlank) {
    // No path, or a real one: the theme's icon or our doc symbol, always 44 x 44 points.
    for (const char* path : {"", "/no/such/report.pdf", "/tmp", "/dev/zero"}) {
        const QImage alpha =
            PreviewFormatter::icon(QString::fromUtf8(path), QColor(200, 200, 210), 2.0)
                .convertToFormat(QImage::Format_Alpha8);
        EXPECT_EQ(std::pair(alpha.size(), alpha.deviceIndependentSize()),
                  std::pair(QSize(88, 88), QSizeF(44, 44)))
            << path;
        EXPECT_TRUE(std::any_of(alpha.constBits(), alpha.constBits() + alpha.sizeInBytes(),
                                [](uchar a) { return a > 0; }))
            << path;
    }
}

// Characters longer than a window and window edges inside a surrogate pair move no boundary.
TEST(GraphemePrefix, CountsUserPerceivedCharacters) {
    const QString text = u"a\U0001F468\u200D\U0001F469\u200D\U0001F467\u00f1e\u0301\r\nz"_qs;
    const QString heavy = "a" + QString(300, QChar(0x0301));
    const QString thumbs = u"\U0001F44D\U0001F3FD"_qs.repeated(100);
    const std::tuple<QString, int, QString, bool> cases[] = {
        {text, 5, text.chopped(1), true},
        {text, 6, text, false},
        {text, 0, QString(), true},
        {QString(), 0, QString(), false},
        {heavy + "b" + heavy + "c", 3, heavy + "b" + heavy, true},
        {thumbs, 7, thumbs.left(28), true},
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
        {"# 12345", qRgba(0x01, 0x23, 0x45, 255)},  // the scanner skips the space
        {"0xzzzz", qRgba(0, 0, 0, 255)},            // the leading 0 is a number
        {"zz1234", std::nullopt},
        {"#1234567", std::nullopt},
        {u"12345\u0301"_qs, std::nullopt}, // five characters
    };
    for (const auto& [hex, expected] : cases) {
        const std::optional<QColor> colour = colorFromHex(hex);
        EXPECT_EQ(colour ? std::optional(colour->rgba()) : std::nullopt, expected)
            << hex.toStdString();
    }
}
