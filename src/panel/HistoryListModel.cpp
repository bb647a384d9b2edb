#include "panel/HistoryListModel.h"

namespace quillstack {

HistoryListModel::HistoryListModel(QObject* parent) : QAbstractListModel(parent) {}

void HistoryListModel::setContents(QList<ClipboardEntry> entries, bool searching,
                                   const std::optional<QUuid>& selectedID) {
    beginResetModel();
    entries_ = std::move(entries);
    searching_ = searching;
    selectedID_ = selectedID;
    endResetModel();
}

void HistoryListModel::setSelectedID(const std::optional<QUuid>& id) {
    const std::optional<QUuid> previous = selectedID_;
    selectedID_ = id;
    for (const std::optional<QUuid>& changed : {previous, id}) {
        if (changed) {
            const int row = rowOf(*changed);
            if (row >= 0) {
                emit dataChanged(index(row), index(row), {SelectedRole});
            }
        }
    }
}

int HistoryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= entries_.size()) {
        return {};
    }
    const ClipboardEntry& entry = entries_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return entry.title();
    case SelectedRole:
        return selectedID_ && *selectedID_ == entry.id();
    case SearchingRole:
        return searching_;
    case IdRole:
        return entry.id();
    default:
        return {};
    }
}

int HistoryListModel::rowOf(const QUuid& id) const {
    for (qsizetype row = 0; row < entries_.size(); ++row) {
        if (entries_.at(row).id() == id) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

} // namespace quillstack
