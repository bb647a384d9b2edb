#pragma once

#include "entries/ClipboardEntry.h"

#include <QAbstractListModel>
#include <QList>
#include <QUuid>

#include <optional>

namespace quillstack {

// The panel's rows: a snapshot of the view model's filtered entries with the two facts a row
// needs beyond its entry, whether it is selected and whether a search is in effect.
class HistoryListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { SelectedRole = Qt::UserRole + 1, SearchingRole, IdRole };

    explicit HistoryListModel(QObject* parent = nullptr);

    // Replaces every row.
    void setContents(QList<ClipboardEntry> entries, bool searching,
                     const std::optional<QUuid>& selectedID);
    // Repaints the rows whose selection changes.
    void setSelectedID(const std::optional<QUuid>& id);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const ClipboardEntry& entryAt(int row) const { return entries_.at(row); }
    const QList<ClipboardEntry>& entries() const { return entries_; }
    bool isSearching() const { return searching_; }
    // The row of the entry with this id; -1 when it is not listed.
    int rowOf(const QUuid& id) const;

private:
    QList<ClipboardEntry> entries_;
    bool searching_ = false;
    std::optional<QUuid> selectedID_;
};

} // namespace quillstack
