#pragma once

#include "entries/ClipboardEntry.h"
#include "entries/EntryJson.h"
#include "store/PasteDelivery.h"
#include "store/PasteboardMonitor.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <memory>
#include <optional>

namespace quillstack {

class Pasteboard;
class DataLocations;
class Workspace;
class AccessibilityTrust;
class KeystrokePoster;
class FallbackKeystroke;
class HistorySaver;

// The single owner of the clipboard history (newest first), mirrored to history.json after
// every change. It also runs the clipboard polling loop and sends the paste keystroke.
//
// The history in memory changes first; the file follows on a thread of its own (HistorySaver),
// so a slow or failing disk neither stalls the GUI thread nor stops the recording. A failed save
// keeps the old file whole and is tried again at the next change and by itself: after the retry
// interval (5 s), doubled after each failed retry up to a minute, so that a full disk is not
// rewritten every few seconds for hours.
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
    static constexpr std::chrono::milliseconds defaultSaveRetryInterval{5000};
    static constexpr std::chrono::milliseconds maxSaveRetryInterval{60000};

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

    // Blocks until the newest history is on disk (or its write has failed). For quitting.
    void finishSaving();
    // Whether the last save failed; it is then tried again after the retry interval (the first
    // one; later ones are longer).
    bool isSaveFailing() const;
    void setSaveRetryInterval(std::chrono::milliseconds interval);

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
    // Hands the current history to the saver.
    void save();
    void saveFinished(quint64 generation, bool saved, const QList<QUuid>& unreadable);
    void setHistory(QList<ClipboardEntry> newHistory, EncodedList newEncoded);

    Services services_;
    QList<ClipboardEntry> history_;
    // The encoded form of each entry of history_, index for index (entries never change).
    EncodedList encoded_;
    // Counts the changes of history_, so that a save's result can be matched to it.
    quint64 generation_ = 0;
    QString storageURL_;
    std::unique_ptr<HistorySaver> saver_;
    QTimer retry_;
    std::chrono::milliseconds retryInterval_ = defaultSaveRetryInterval;
    // Failed saves in a row that the timer started.
    int retriesFailed_ = 0;
    // Declared after services_: both are built from it.
    PasteboardMonitor monitor_;
    PasteDelivery delivery_;
};

} // namespace quillstack
