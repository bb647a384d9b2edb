#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

namespace quillstack {

class ClipboardEntry;

// The kind filters of the panel's filter menu. Every case but `all` selects the entries of
// the ClipboardKind with the same raw value; entries of kind `unknown` show only under `all`.
class HistoryFilter {
public:
    enum Case { all, text, code, markdown, html, image, file, color };

    constexpr HistoryFilter(Case value = all) : value_(value) {}

    // The cases in menu order.
    static const std::array<HistoryFilter, 8>& allCases();

    // Exact, case-sensitive match of a raw value; any other string gives nothing.
    static std::optional<HistoryFilter> fromRawValue(QStringView raw);

    constexpr Case value() const { return value_; }
    QString rawValue() const;
    QString id() const { return rawValue(); }
    // The menu label: "All", "Text", "Code", "Markdown", "HTML", "Images", "Files", "Colors".
    QString title() const;
    bool matches(const ClipboardEntry& entry) const;

    constexpr bool operator==(const HistoryFilter&) const = default;

private:
    Case value_;
};

inline size_t qHash(HistoryFilter filter, size_t seed = 0) noexcept {
    return seed ^ static_cast<size_t>(filter.value());
}

} // namespace quillstack

template <> struct std::hash<quillstack::HistoryFilter> {
    size_t operator()(quillstack::HistoryFilter filter) const noexcept {
        return static_cast<size_t>(filter.value());
    }
};
