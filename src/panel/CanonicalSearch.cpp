#include "panel/CanonicalSearch.h"

namespace quillstack {

namespace {

// Below U+0300 (where the combining marks begin) every code point is stable under
// canonical composition, so such text is already in Normalization Form C.
bool isTriviallyComposed(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x0300) {
            return false;
        }
    }
    return true;
}

} // namespace

CanonicalSearch::CanonicalSearch(const QString& query) : query_(composed(query)) {}

bool CanonicalSearch::matches(const QString& text) const {
    return composed(text).contains(query_, Qt::CaseSensitive);
}

QString CanonicalSearch::composed(const QString& text) {
    if (isTriviallyComposed(text)) {
        return text;
    }
    return text.normalized(QString::NormalizationForm_C);
}

} // namespace quillstack
