#include "entries/ClipboardEntry.h"
#include "entries/ImageNormalizer.h"
#include "platform/memory/MemoryPasteboard.h"
#include "support/TestImages.h"

#include <QBuffer>
#include <QImageReader>
#include <gtest/gtest.h>

using namespace quillstack;
using K = ClipboardKind;

namespace {

// The stored fields of a record.
struct Fields {
    K kind;
    std::optional<QString> text{}, markdown{}, html{}, colorHex{};
    QStringList files{};
    std::optional<QByteArray> image{};
};

ClipboardEntry entryWith(const Fields& f) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), f.kind, f.text,
                          f.markdown, f.html, f.colorHex, f.files, f.image, std::nullopt,
                          QString(64, u'0'), std::nullopt);
}

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const QString plain = Pasteboard::stringType();
const QString markdownType = ClipboardEntry::markdownPBType();

} // namespace

TEST(PasteboardWriter, FilesComeFirstThenImagesThenText) {
    MemoryPasteboard pasteboard;
    pasteboard.offer(plain, s("old"));
    entryWith({.kind = K::file,
               .text = s("words"),
               .files = {s("/tmp/a b.txt"), s("/tmp/c")},
               .image = test::pngOf(2, 2)})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.types(), QStringList{Pasteboard::fileURLType()});
    const QList<PasteboardItem> items = pasteboard.pasteboardItems();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].string(Pasteboard::fileURLType()), s("file:///tmp/a%20b.txt"));
    EXPECT_EQ(items[1].string(Pasteboard::fileURLType()), s("file:///tmp/c"));

    // The stored PNG goes back byte for byte, never decoded: also one over the decoding limit.
    const QByteArray huge = test::bilevelPNG(9000, 9000);
    ASSERT_FALSE(ImageNormalizer::decode(huge));
    const QByteArray bmp = test::encoded(test::filled(3, 2), "BMP");
    for (const auto& [stored, pastedSize] :
         {std::pair(test::pngOf(3, 2), QSize(3, 2)), std::pair(huge, QSize(9000, 9000)),
          std::pair(bmp, QSize(3, 2)), std::pair(QByteArray("not a png"), QSize()),
          std::pair(test::bilevelPNG(0, 5), QSize())}) {
        MemoryPasteboard board;
        entryWith({.kind = K::image, .text = s("t"), .image = stored}).write(board);
        if (!pastedSize.isValid()) { // the text is written instead
            EXPECT_EQ(board.types(), QStringList{plain});
            EXPECT_EQ(board.string(plain), s("t"));
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
    entryWith({.kind = K::html, .html = s("<p>Hello <b>world</b></p>")}).write(pasteboard);
    EXPECT_EQ(pasteboard.types(), (QStringList{Pasteboard::htmlType(), plain}));
    EXPECT_EQ(pasteboard.string(Pasteboard::htmlType()), s("<p>Hello <b>world</b></p>"));
    EXPECT_EQ(pasteboard.string(plain)->trimmed(), s("Hello world"));
    entryWith({.kind = K::html, .text = QString(), .markdown = s("*m*"), .html = s("<i>h</i>")})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), QString());
    EXPECT_FALSE(pasteboard.hasType(markdownType));

    entryWith({.kind = K::markdown, .text = QString(), .markdown = s("# Title"), .html = QString()})
        .write(pasteboard);
    EXPECT_EQ(pasteboard.types(), (QStringList{markdownType, plain}));
    EXPECT_EQ(pasteboard.string(markdownType), s("# Title"));
    EXPECT_EQ(pasteboard.string(plain), QString());
    entryWith({.kind = K::markdown, .markdown = s("# Title")}).write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), s("# Title"));

    // A colour goes back as the text it was copied as, else as its hexadecimal form.
    pasteboard.clearContents();
    pasteboard.offer(plain, s("#abc"));
    ClipboardEntry::capture(pasteboard, std::nullopt)->write(pasteboard);
    EXPECT_EQ(pasteboard.string(plain), s("#abc"));
    entryWith({.kind = K::color, .text = QString(), .colorHex = s("#AABBCC")}).write(pasteboard);
    EXPECT_EQ(pasteboard.types(), QStringList{plain});
    EXPECT_EQ(pasteboard.string(plain), s("#AABBCC"));

    const qint64 before = pasteboard.changeCount();
    entryWith({.kind = K::unknown, .text = QString()}).write(pasteboard);
    EXPECT_TRUE(pasteboard.types().isEmpty());
    EXPECT_TRUE(pasteboard.pasteboardItems().isEmpty());
    EXPECT_GT(pasteboard.changeCount(), before);
}

TEST(PasteboardWriter, WrittenContentsCaptureAsTheSameRecord) {
    for (const Fields& fields :
         {Fields{.kind = K::text, .text = s("plain words")},
          Fields{.kind = K::code, .text = s("int x;\nint y;")},
          Fields{.kind = K::html, .text = s("Hi"), .html = s("<b>Hi</b>")},
          Fields{.kind = K::markdown, .text = s("Hi"), .markdown = s("**Hi**")},
          Fields{.kind = K::file, .files = {s("/tmp/x y"), s("/tmp/z")}},
          Fields{.kind = K::color, .text = s("fff"), .colorHex = s("#FFFFFF")}}) {
        SCOPED_TRACE(rawValue(fields.kind).toStdString());
        MemoryPasteboard pasteboard;
        entryWith(fields).write(pasteboard);
        const auto again = ClipboardEntry::capture(pasteboard, std::nullopt);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->kind(), fields.kind);
        EXPECT_EQ(again->text(), fields.text);
        EXPECT_EQ(again->html(), fields.html);
        EXPECT_EQ(again->markdown(), fields.markdown);
        EXPECT_EQ(again->filePaths(), fields.files);
    }
}
