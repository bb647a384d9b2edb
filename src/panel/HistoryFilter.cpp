#include "panel/HistoryFilter.h"

#include "entries/ClipboardEntry.h"

namespace quillstack {

const std::array<HistoryFilter, 8>& HistoryFilter::allCases() {
    static const std::array<HistoryFilter, 8> cases{all,  text,  code, markdown,
                                                    html, image, file, color};
    return cases;
}

std::optional<HistoryFilter> HistoryFilter::fromRawValue(QStringView raw) {
    for (HistoryFilter filter : allCases()) {
        if (raw == filter.rawValue()) {
            return filter;
        }
    }
    return std::nullopt;
}

QString HistoryFilter::rawValue() const {
    switch (value_) {
    case all:
        return QStringLiteral("all");
    case text:
        return QStringLiteral("text");
    case code:
        return QStringLiteral("code");
    case markdown:
        return QStringLiteral("markdown");
    case html:
        return QStringLiteral("html");
    case image:
        return QStringLiteral("image");
    case file:
        return QStringLiteral("file");
    case color:
        return QStringLiteral("color");
    }
    return QStringLiteral("all");
}

QString HistoryFilter::title() const {
    switch (value_) {
    case all:
        return QStringLiteral("All");
    case text:
        return QStringLiteral("Text");
    case code:
        return QStringLiteral("Code");
    case markdown:
        return QStringLiteral("Markdown");
    case html:
        return QStringLiteral("HTML");
    case image:
        return QStringLiteral("Images");
    case file:
        return QStringLiteral("Files");
    case color:
        return QStringLiteral("Colors");
    }
    return QStringLiteral("All");
}

bool HistoryFilter::matches(const ClipboardEntry& entry) const {
    // The filters share their raw values with the kinds they select.
    return value_ == all || rawValue() == quillstack::rawValue(entry.kind());
}

} // namespace quillstack
