#pragma once

#include "entries/ClipboardEntry.h"
#include "panel/HistoryFilter.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <functional>
#include <optional>

namespace quillstack {

class ClipboardManager;

// What the history panel knows beyond the history itself: the typed search text, its
// debounced and normalised form used for filtering, the kind filter and the selected entry.
// A new copy arriving at the top of the history becomes the selection, so that the panel opens
// on the newest entry. Lives on the GUI thread. Each observable field announces a change twice:
// `...WillChange` with the new value before the field holds it, `...Changed` once it does. Every
// assignment announces, also one that keeps the value.
class PanelViewModel : public QObject {
    Q_OBJECT

public:
    // Quiet time after the last keystroke before the query takes effect.
    static constexpr std::chrono::milliseconds debounceInterval{140};

    // The store must outlive the model.
    explicit PanelViewModel(ClipboardManager& manager, QObject* parent = nullptr);

    const std::optional<QUuid>& selectedID() const { return selectedID_; }
    void setSelectedID(const std::optional<QUuid>& id);

    // The search field's text exactly as typed.
    const QString& searchQuery() const { return searchQuery_; }
    void setSearchQuery(const QString& query);

    // The normalised, debounced query that filtering uses; written by the query pipeline only.
    const QString& effectiveSearchQuery() const { return effectiveSearchQuery_; }

    HistoryFilter selectedFilter() const { return selectedFilter_; }
    void setSelectedFilter(HistoryFilter filter);

    // What to do with a chosen entry.
    std::function<void(const ClipboardEntry&)> onActivate;

    // The visible entries in the store's order, computed afresh on every call. With an empty
    // query and the `all` filter this is the store's list itself (shared, not copied).
    QList<ClipboardEntry> filteredEntries() const;

    // Keeps the selection on a visible entry: none when nothing is visible, otherwise the
    // current one when still visible, else the first.
    void syncSelection();
    // One row towards the end (down) or the start of the list; stops at both ends.
    void moveSelection(bool down);
    // Selects the entry and hands it to onActivate.
    void activate(const ClipboardEntry& entry);
    // Hands the selected entry to onActivate when it is visible; changes nothing.
    void confirmSelection();

    // The entry that a change of the history brought to the top: the new first entry when it
    // was not in the list before. Deleting the top entry or writing an entry back brings none.
    static std::optional<QUuid> arrivedOnTop(const QList<ClipboardEntry>& before,
                                             const QList<ClipboardEntry>& after);

    // Trims Unicode white space and line breaks at both ends and lower-cases the rest
    // (locale-independent); inner white space stays as typed.
    static QString normalizedQuery(const QString& query);

signals:
    void selectedIDWillChange(const std::optional<QUuid>& newValue);
    void selectedIDChanged();
    void searchQueryWillChange(const QString& newValue);
    void searchQueryChanged();
    void effectiveSearchQueryWillChange(const QString& newValue);
    void effectiveSearchQueryChanged();
    void selectedFilterWillChange(HistoryFilter newValue);
    void selectedFilterChanged();

private:
    void receiveQuery(const QString& query);
    void deliverPendingQuery();
    void setEffectiveSearchQuery(const QString& query);
    void historyChanged();

    std::optional<QUuid> selectedID_;
    QString searchQuery_;
    QString effectiveSearchQuery_;
    HistoryFilter selectedFilter_ = HistoryFilter::all;
    ClipboardManager& manager_;

    // Query pipeline: the last normalised value seen (repeats are dropped) and the value
    // waiting for the debounce timer. The timer is a child of the model, so a pending
    // delivery dies with it.
    std::optional<QString> lastNormalizedQuery_;
    QString pendingQuery_;
    QTimer debounce_;

    // A new copy on its way into the history, selected once the list holds it.
    std::optional<QUuid> arriving_;
};

} // namespace quillstack
