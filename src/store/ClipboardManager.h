#pragma once

#include "entries/ClipboardEntry.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUuid>

#include <optional>

namespace quillstack {

class Pasteboard;
class DataLocations;
class Workspace;
class AccessibilityTrust;
class KeystrokePoster;
class FallbackKeystroke;

// The single owner of the clipboard history (newest first), mirrored to history.json after
// every change. It also runs the clipboard polling loop and sends the paste keystroke.
//
// Observation: historyWillChange(newHistory) is emitted before history() holds the new list,
// so a receiver that reads history() still sees the previous one; historyChanged() follows
// once the new list is in place.
class ClipboardManager : public QObject {
    Q_OBJECT

public:
    // The desktop services the store reaches. Unset services are treated as absent: no
    // pasteboard means a change counter of 0 and nothing to capture; no data location means
    // the temporary folder.
    struct Services {
        Pasteboard* pasteboard = nullptr;
        DataLocations* locations = nullptr;
        Workspace* workspace = nullptr;
        AccessibilityTrust* trust = nullptr;
        KeystrokePoster* keystrokes = nullptr;
        FallbackKeystroke* fallback = nullptr;
    };

    static constexpr int maxEntries = 200;

    explicit ClipboardManager(Services services, QObject* parent = nullptr);
    ~ClipboardManager() override;

    const QList<ClipboardEntry>& history() const { return history_; }

    void deleteEntry(const QUuid& id);
    void deleteAll();

    // Insertion of a newly captured entry: a duplicate of the newest entry is dropped, older
    // entries with its fingerprint are removed, it goes on top, the list is trimmed and saved.
    // The polling loop is its caller.
    void insert(ClipboardEntry entry);

    // Full path of history.json.
    QString storageURL() const { return storageURL_; }

    Pasteboard* pasteboard() const { return services_.pasteboard; }

signals:
    void historyWillChange(const QList<ClipboardEntry>& newHistory);
    void historyChanged();

private:
    void load();
    bool save();
    void setHistory(QList<ClipboardEntry> newHistory);

    Services services_;
    QList<ClipboardEntry> history_;
    qint64 lastChangeCount_ = 0;
    bool ignoreNext_ = false;
    QString storageURL_;
    bool hasPromptedForAccessibility_ = false;
    bool appleScriptFallbackAllowed_ = true;
};

} // namespace quillstack
