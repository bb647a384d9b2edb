#include "panel/PanelViewModel.h"

#include "panel/CanonicalSearch.h"
#include "store/ClipboardManager.h"

#include <algorithm>
#include <utility>

namespace quillstack {

PanelViewModel::PanelViewModel(ClipboardManager& manager, QObject* parent)
    : QObject(parent), manager_(manager), debounce_(this) {
    const QList<ClipboardEntry>& history = manager_.history();
    if (!history.isEmpty()) {
        selectedID_ = history.first().id();
    }
    debounce_.setSingleShot(true);
    debounce_.setTimerType(Qt::PreciseTimer);
    debounce_.setInterval(debounceInterval);
    connect(&debounce_, &QTimer::timeout, this, &PanelViewModel::deliverPendingQuery);
    connect(&manager_, &ClipboardManager::historyWillChange, this,
            [this](const QList<ClipboardEntry>& next) {
                arriving_ = arrivedOnTop(manager_.history(), next);
            });
    connect(&manager_, &ClipboardManager::historyChanged, this, &PanelViewModel::historyChanged);
    // The pipeline starts from the current value, so the empty query is delivered once.
    receiveQuery(searchQuery_);
}

void PanelViewModel::setSelectedID(const std::optional<QUuid>& id) {
    emit selectedIDWillChange(id);
    selectedID_ = id;
    emit selectedIDChanged();
}

void PanelViewModel::setSearchQuery(const QString& query) {
    emit searchQueryWillChange(query);
    searchQuery_ = query;
    emit searchQueryChanged();
    receiveQuery(searchQuery_);
}

void PanelViewModel::setSelectedFilter(HistoryFilter filter) {
    emit selectedFilterWillChange(filter);
    selectedFilter_ = filter;
    emit selectedFilterChanged();
}

void PanelViewModel::setEffectiveSearchQuery(const QString& query) {
    emit effectiveSearchQueryWillChange(query);
    effectiveSearchQuery_ = query;
    emit effectiveSearchQueryChanged();
}

QString PanelViewModel::normalizedQuery(const QString& query) {
    // QChar::isSpace covers the Unicode separators, the controls U+0009 to U+000D and U+0085.
    return query.trimmed().toLower();
}

void PanelViewModel::receiveQuery(const QString& query) {
    QString normalized = normalizedQuery(query);
    if (lastNormalizedQuery_ == normalized) {
        return;
    }
    lastNormalizedQuery_ = normalized;
    pendingQuery_ = std::move(normalized);
    debounce_.start();
}

void PanelViewModel::deliverPendingQuery() {
    setEffectiveSearchQuery(pendingQuery_);
    syncSelection();
}

std::optional<QUuid> PanelViewModel::arrivedOnTop(const QList<ClipboardEntry>& before,
                                                  const QList<ClipboardEntry>& after) {
    if (after.isEmpty()) {
        return std::nullopt;
    }
    const QUuid top = after.first().id();
    const bool known = std::any_of(before.begin(), before.end(),
                                   [&](const ClipboardEntry& e) { return e.id() == top; });
    return known ? std::nullopt : std::optional(top);
}

void PanelViewModel::historyChanged() {
    const std::optional<QUuid> arrived = std::exchange(arriving_, std::nullopt);
    if (!arrived) {
        return;
    }
    // Only a visible entry can be selected; one the search or filter hides leaves the selection
    // to syncSelection().
    const QList<ClipboardEntry> visible = filteredEntries();
    if (!visible.isEmpty() && visible.first().id() == *arrived) {
        setSelectedID(arrived);
    }
}

QList<ClipboardEntry> PanelViewModel::filteredEntries() const {
    const QList<ClipboardEntry>& history = manager_.history();
    const HistoryFilter filter = selectedFilter_;
    if (effectiveSearchQuery_.isEmpty() && filter == HistoryFilter::all) {
        return history;
    }
    const CanonicalSearch search(effectiveSearchQuery_);
    QList<ClipboardEntry> visible;
    for (const ClipboardEntry& entry : history) {
        if (!filter.matches(entry)) {
            continue;
        }
        if (!search.query().isEmpty() && !search.matches(entry.searchableLowercased())) {
            continue;
        }
        visible.append(entry);
    }
    return visible;
}

void PanelViewModel::syncSelection() {
    const QList<ClipboardEntry> visible = filteredEntries();
    if (visible.isEmpty()) {
        setSelectedID(std::nullopt);
        return;
    }
    if (selectedID_) {
        const bool stillVisible = std::any_of(
            visible.begin(), visible.end(), [&](const auto& e) { return e.id() == *selectedID_; });
        if (stillVisible) {
            return;
        }
    }
    setSelectedID(visible.first().id());
}

void PanelViewModel::moveSelection(bool down) {
    if (filteredEntries().isEmpty()) {
        setSelectedID(std::nullopt);
        return;
    }
    syncSelection();
    const QList<ClipboardEntry> visible = filteredEntries();
    const auto selected = std::find_if(visible.begin(), visible.end(),
                                       [&](const auto& e) { return e.id() == selectedID_; });
    // After syncSelection() the selection is visible; the guard covers a list that changed
    // under an observer of the selection.
    const qsizetype index = selected == visible.end() ? 0 : selected - visible.begin();
    const qsizetype next =
        down ? std::min(index + 1, visible.size() - 1) : std::max<qsizetype>(index - 1, 0);
    setSelectedID(visible.at(next).id());
}

void PanelViewModel::activate(const ClipboardEntry& entry) {
    // A copy: observers of the selection may drop the row that holds the caller's entry.
    const ClipboardEntry chosen = entry;
    setSelectedID(chosen.id());
    if (onActivate) {
        onActivate(chosen);
    }
}

void PanelViewModel::confirmSelection() {
    if (!selectedID_) {
        return;
    }
    const QList<ClipboardEntry> visible = filteredEntries();
    const auto selected = std::find_if(visible.begin(), visible.end(),
                                       [&](const auto& e) { return e.id() == *selectedID_; });
    if (selected != visible.end() && onActivate) {
        // A copy: the callback may change the history the list was taken from.
        const ClipboardEntry entry = *selected;
        onActivate(entry);
    }
}

} // namespace quillstack
