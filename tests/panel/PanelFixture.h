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

struct Extras {
    std::optional<QString> searchIndex = {}, markdown = {}, html = {}, colorHex = {};
};

// A record whose fingerprint follows its contents: different records are never duplicates.
inline ClipboardEntry makeEntry(ClipboardKind kind, const QString& text, Extras extras = {}) {
    const QString key = rawValue(kind) + QLatin1Char('\0') + text +
                        extras.colorHex.value_or(QString()) + extras.html.value_or(QString()) +
                        extras.markdown.value_or(QString());
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);
    return ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(), kind, text,
                          extras.markdown, extras.html, extras.colorHex, {}, std::nullopt,
                          std::nullopt, QString::fromLatin1(digest.toHex()), extras.searchIndex);
}

// A store in a temporary folder, settings beside it and a view model over the empty store.
class PanelFixture : public ::testing::Test {
protected:
    // Puts the entries into the store so that the first one given is the newest.
    QList<ClipboardEntry> fill(const QList<ClipboardEntry>& entries) {
        for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
            manager_.insert(*it);
        }
        return manager_.history();
    }
    void fillTexts(int count) {
        for (int i = count - 1; i >= 0; --i) {
            manager_.insert(
                makeEntry(ClipboardKind::text, QStringLiteral("entry number %1").arg(i)));
        }
    }
    // Types into the search field's model and waits for the debounced query.
    static void search(PanelViewModel& model, const QString& query) {
        model.setSearchQuery(query);
        const QString expected = PanelViewModel::normalizedQuery(query);
        ASSERT_TRUE(QTest::qWaitFor([&] { return model.effectiveSearchQuery() == expected; }));
    }

    QTemporaryDir dir_;
    MemoryDataLocations locations_{dir_.path(), dir_.path()};
    MemoryLoginItemService loginItems_;
    AppSettings settings_{locations_, loginItems_};
    ClipboardManager manager_{ClipboardManager::Services{.locations = &locations_}};
    PanelViewModel model_{manager_};
};

} // namespace quillstack::test
