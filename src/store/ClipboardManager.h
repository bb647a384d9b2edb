#pragma once

#include "entries/ClipboardEntry.h"
#include "entries/EntryJson.h"
#include "store/PasteDelivery.h"
#include "store/PasteboardMonitor.h"

#include <QList>
#include <QObject>
#include <QString>
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

    // The polling loop: a changed clipboard is captured at the next 0.35 s tick.
    void startMonitoring() { monitor_.startMonitoring(); }
    void stopMonitoring() { monitor_.stopMonitoring(); }
    // Lets the sender's signal announce clipboard changes, so that the loop sleeps while idle.
    template <typename Sender, typename Signal>
    void wakeMonitoringOn(const Sender* sender, Signal signal) {
        monitor_.wakeOn(sender, signal);
    }
    // The next clipboard change is the program's own write and is not recorded.
    void ignoreNext() { monitor_.ignoreNext(); }
    const PasteboardMonitor& monitor() const { return monitor_; }

    // Paste delivery: write the entry back (ignoring that change), then send the keystroke.
    void prepareForPaste(const ClipboardEntry& entry) { delivery_.prepareForPaste(entry); }
    void requestAccessibilityPermissionIfNeeded() {
        delivery_.requestAccessibilityPermissionIfNeeded();
    }
    void sendCommandV() { delivery_.sendCommandV(); }

signals:
    void historyWillChange(const QList<ClipboardEntry>& newHistory);
    void historyChanged();

private:
    using EncodedList = QList<EntryJson::EncodedEntry>;

    void load();
    bool save();
    // Writes the given list as the whole file; false (and the old file kept) on any failure.
    bool write(const QList<ClipboardEntry>& entries, const EncodedList& encoded);
    void keepUnreadableFileAside();
    void setHistory(QList<ClipboardEntry> newHistory, EncodedList newEncoded);

    Services services_;
    QList<ClipboardEntry> history_;
    // The encoded form of each entry of history_, index for index (entries never change).
    EncodedList encoded_;
    // An undecodable file was found and could not yet be moved aside: it must be, before any
    // write may replace it.
    bool keepAsideBeforeWrite_ = false;
    QString storageURL_;
    // Declared after services_: both are built from it.
    PasteboardMonitor monitor_;
    PasteDelivery delivery_;
};

} // namespace quillstack
