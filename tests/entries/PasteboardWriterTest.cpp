#include "entries/ClipboardEntry.h"
#include "entries/ImageNormalizer.h"
#include "platform/memory/MemoryPasteboard.h"
#include "support/TestEnvironment.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QImageReader>
#include <QUrl>

#include <gtest/gtest.h>

using namespace quillstack;
using quillstack::test::pngOf;

namespace {

// The stored fields of a record.
struct Fields {
    ClipboardKind kind;
    std::optional<QString> text{}, markdown{}, html{}, colorHex{};
    QStringList files{};
    std::optional<QByteArray> image{};
};

ClipboardEntry entryWith(const Fields& f) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), f.kind, f.text,
                          f.markdown, f.html, f.colorHex, f.files, f.image, std::nullopt,
                          QString(64, u'0'), std::nullopt);
}

const QString plain = Pasteboard::stringType();

} // namespace

TEST(PasteboardWriter, FilesComeFirst) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(plain, QStringLiteral("old"));
    entryWith({.kind = ClipboardKind::file,
               .text = QStringLiteral("words"),
               .files = {QStringLiteral("/tmp/a b.txt"), QStringLiteral("/tmp/c")},
               .image = pngOf(2, 2)})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.types(), QStringList{Pasteboard::fileURLType()});
    const QList<PasteboardItem> items = pasteboard.pasteboardItems();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].string(Pasteboard::fileURLType()), QStringLiteral("file:///tmp/a%20b.txt"));
    EXPECT_EQ(items[1].string(Pasteboard::fileURLType()), QStringLiteral("file:///tmp/c"));
    EXPECT_FALSE(pasteboard.hasType(Pasteboard::pngType()));
}

TEST(PasteboardWriter, ImageThenTextFallbacks) {
    // The stored PNG goes back byte for byte, never decoded: also one over the decoding limit.
    const QByteArray huge = test::bilevelPNG(9000, 9000);
    ASSERT_FALSE(ImageNormalizer::decode(huge));
    const QByteArray bmp = test::encoded(test::filled(3, 2), "BMP");
    struct Case {
        QByteArray stored;
        std::optional<QSize> pastedSize; // nothing: the text is written instead
    };
    for (const Case& c : {Case{pngOf(3, 2), QSize(3, 2)}, Case{huge, QSize(9000, 9000)},
                          Case{bmp, QSize(3, 2)}, Case{QByteArray("not a png"), std::nullopt},
                          Case{test::bilevelPNG(0, 5), std::nullopt}}) {
        MemoryPasteboard pasteboard;
        entryWith({.kind = ClipboardKind::image, .text = QStringLiteral("t"), .image = c.stored})
            .write(pasteboard);
        if (!c.pastedSize) {
            EXPECT_EQ(pasteboard.types(), QStringList{plain});
            EXPECT_EQ(pasteboard.string(plain), QStringLiteral("t"));
            continue;
        }
        EXPECT_EQ(pasteboard.types(), QStringList{Pasteboard::pngType()});
        const QByteArray pasted = pasteboard.data(Pasteboard::pngType()).value();
        if (c.stored.startsWith("\x89PNG")) {
            EXPECT_EQ(pasted, c.stored);
        }
        QBuffer buffer;
        buffer.setData(pasted);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        EXPECT_EQ(reader.format(), "png");
        EXPECT_EQ(reader.size(), *c.pastedSize);
    }
}

TEST(PasteboardWriter, HtmlAndMarkdownItems) {
    MemoryPasteboard pasteboard;
    entryWith({.kind = ClipboardKind::html, .html = QStringLiteral("<p>Hello <b>world</b></p>")})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.types(), (QStringList{Pasteboard::htmlType(), plain}));
    EXPECT_EQ(pasteboard.string(Pasteboard::htmlType()),
              QStringLiteral("<p>Hello <b>world</b></p>"));
    EXPECT_EQ(pasteboard.string(plain)->trimmed(), QStringLiteral("Hello world"));

    entryWith({.kind = ClipboardKind::html,
               .text = QString(),
               .markdown = QStringLiteral("*m*"),
               .html = QStringLiteral("<i>h</i>")})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), QString());
    EXPECT_FALSE(pasteboard.hasType(ClipboardEntry::markdownPBType()));

    entryWith({.kind = ClipboardKind::markdown,
               .text = QString(),
               .markdown = QStringLiteral("# Title"),
               .html = QString()})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.types(), (QStringList{ClipboardEntry::markdownPBType(), plain}));
    EXPECT_EQ(pasteboard.string(ClipboardEntry::markdownPBType()), QStringLiteral("# Title"));
    EXPECT_EQ(pasteboard.string(plain), QString());

    entryWith({.kind = ClipboardKind::markdown, .markdown = QStringLiteral("# Title")})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), QStringLiteral("# Title"));
}

TEST(PasteboardWriter, TextColourAndNothing) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(plain, QStringLiteral("#abc"));
    const auto colour = ClipboardEntry::capture(pasteboard, std::nullopt);
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->colorHex(), QStringLiteral("#AABBCC"));
    colour->write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), QStringLiteral("#abc"));

    entryWith(Fields{.kind = ClipboardKind::color,
                     .text = QString(),
                     .colorHex = QStringLiteral("#AABBCC")})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.types(), QStringList{plain});
    EXPECT_EQ(pasteboard.string(plain), QStringLiteral("#AABBCC"));

    const qint64 before = pasteboard.changeCount();
    entryWith({.kind = ClipboardKind::unknown, .text = QString()}).write(pasteboard);
    EXPECT_TRUE(pasteboard.types().isEmpty());
    EXPECT_TRUE(pasteboard.pasteboardItems().isEmpty());
    EXPECT_GT(pasteboard.changeCount(), before);
}

TEST(PasteboardWriter, WrittenContentsCaptureAsTheSameRecord) {
    const QList<Fields> records{
        Fields{.kind = ClipboardKind::text, .text = QStringLiteral("plain words")},
        Fields{.kind = ClipboardKind::code, .text = QStringLiteral("int x;\nint y;")},
        Fields{.kind = ClipboardKind::html,
               .text = QStringLiteral("Hi"),
               .html = QStringLiteral("<b>Hi</b>")},
        Fields{.kind = ClipboardKind::markdown,
               .text = QStringLiteral("Hi"),
               .markdown = QStringLiteral("**Hi**")},
        Fields{.kind = ClipboardKind::file,
               .files = QStringList{QStringLiteral("/tmp/x y"), QStringLiteral("/tmp/z")}},
        Fields{.kind = ClipboardKind::color,
               .text = QStringLiteral("fff"),
               .colorHex = QStringLiteral("#FFFFFF")},
    };
    for (const Fields& fields : records) {
        MemoryPasteboard pasteboard;
        entryWith(fields).write(pasteboard);
        const auto again = ClipboardEntry::capture(pasteboard, std::nullopt);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->kind(), fields.kind) << rawValue(fields.kind).toStdString();
        EXPECT_EQ(again->text(), fields.text);
        EXPECT_EQ(again->html(), fields.html);
        EXPECT_EQ(again->markdown(), fields.markdown);
        EXPECT_EQ(again->filePaths(), fields.files);
    }
}

TEST(PasteboardWriter, LargeHtmlWritesItsVisibleTextAsThePlainString) {
    // A 325 KB page whose text comes after a large style sheet.
    const QString page =
        QStringLiteral("<html><head><style>") +
        QStringLiteral("p { margin: 0; }\n").repeated(19500) +
        QStringLiteral("</style></head><body><p>The text after the style sheet</p></body></html>");
    ASSERT_GT(page.size(), 320 * 1024);
    MemoryPasteboard pasteboard;
    entryWith({.kind = ClipboardKind::html, .html = page}).write(pasteboard);
    EXPECT_EQ(pasteboard.string(Pasteboard::htmlType()), page);
    EXPECT_EQ(pasteboard.string(plain)->trimmed(),
              QStringLiteral("The text after the style sheet"));
}
