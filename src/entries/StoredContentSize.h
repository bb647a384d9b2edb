#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace quillstack {

// How many bytes a captured content takes in history.json, counted without encoding it: each
// UTF-16 code unit of a text as its longest escaped UTF-8 form (so never less than the writer
// writes), an image's escaped Base64 exactly.
class StoredContentSize {
public:
    // The text, Markdown, HTML, file paths and image together. Counting stops once the total is
    // above limit; the result is then some value above it.
    static qint64 of(const std::optional<QString>& text, const std::optional<QString>& markdown,
                     const std::optional<QString>& html, const QStringList& files,
                     const std::optional<QByteArray>& image, qint64 limit);

    // One string with its quotes, at most; stops once above limit.
    static qint64 escapedText(QStringView text, qint64 limit);
    // Standard padded Base64 of the bytes with every "/" written as "\/".
    static qint64 escapedBase64(const QByteArray& bytes);
};

} // namespace quillstack
