#pragma once

#include <QString>
#include <QStringView>

namespace quillstack {

// An HTML source cut down to what can show as text, in one pass that stops at a given length:
// comments and the contents of <style>, <script> and <template> are dropped, and a tag longer
// than maxTagLength (an inline image's data URL, a huge style attribute) keeps only its name.
// So a page's visible text survives the cut however much markup comes before it.
class VisibleHtml {
public:
    static constexpr qsizetype maxTagLength = 1024;

    // At most maxLength UTF-16 code units, never ending inside a surrogate pair.
    static QString reduce(QStringView html, qsizetype maxLength);
};

} // namespace quillstack
