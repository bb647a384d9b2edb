#pragma once

// The shortcut types before the panel's: HistoryFilter's qHash would hide theirs.
#include "settings/AppSettings.h"

#include "entries/ClipboardEntry.h"
#include "panel/PanelViewModel.h"
#include "platform/memory/MemoryDataLocations.h"
#include "platform/memory/MemoryLoginItemService.h"
#include "store/ClipboardManager.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace quillstack::test {

// A store in a temporary folder, settings beside it and a view model over the store.
class ViewFixture : public ::testing::Test {
protected:
    ViewFixture()
        : locations_(dir_.path(), dir_.path()), settings_(locations_, loginItems_),
          manager_(ClipboardManager::Services{.locations = &locations_}), model_(manager_) {}

    static ClipboardEntry entry(ClipboardKind kind, const QString& text,
                                std::optional<QString> colorHex = std::nullopt,
                                QStringList files = {},
                                std::optional<QByteArray> png = std::nullopt) {
        const QByteArray digest = QCryptographicHash::hash(
            (rawValue(kind) + QLatin1Char('\0') + text + colorHex.value_or(QString())).toUtf8(),
            QCryptographicHash::Sha256);
        return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind, text,
                              std::nullopt, std::nullopt, std::move(colorHex), std::move(files),
                              std::move(png), std::nullopt, QString::fromLatin1(digest.toHex()),
                              std::nullopt)
            .withBackfilledSearchIndex();
    }

    // Puts the entries into the store so that the first one given is the newest.
    void fill(const QList<ClipboardEntry>& entries) {
        for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
            manager_.insert(*it);
        }
    }

    // Types into the search field's model and waits for the debounced query.
    void search(const QString& query) {
        model_.setSearchQuery(query);
        const QString expected = PanelViewModel::normalizedQuery(query);
        ASSERT_TRUE(QTest::qWaitFor([&] { return model_.effectiveSearchQuery() == expected; }));
    }

    QTemporaryDir dir_;
    MemoryDataLocations locations_;
    MemoryLoginItemService loginItems_;
    AppSettings settings_;
    ClipboardManager manager_;
    PanelViewModel model_;
};

} // namespace quillstack::test
