#pragma once

#include <QString>

namespace quillstack {

// A plain, case-sensitive substring test under which canonically equivalent sequences (a
// precomposed letter and its decomposed form) count as equal. Both sides are compared in
// Normalization Form C; text that is already in that form is not copied.
class CanonicalSearch {
public:
    explicit CanonicalSearch(const QString& query);

    const QString& query() const { return query_; }
    bool matches(const QString& text) const;

    // The text in Normalization Form C; returned as is when it cannot change.
    static QString composed(const QString& text);

private:
    QString query_;
};

} // namespace quillstack
