#pragma once

#include <QString>

namespace quillstack {

// The start of a text measured in user-perceived characters (grapheme clusters). The work is
// bounded by the length of the prefix, not of the whole text, so that previews of very large
// entries stay cheap.
class GraphemePrefix {
public:
    GraphemePrefix(const QString& text, qsizetype limit);

    // The first `limit` characters (the whole text when it has no more).
    QString text() const { return text_; }
    // True when the text has more than `limit` characters.
    bool isCut() const { return cut_; }

private:
    QString text_;
    bool cut_ = false;
};

} // namespace quillstack
