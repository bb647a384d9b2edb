#pragma once

#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QHash>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class QMimeData;

namespace quillstack {

class X11SelectionReader;

// The CLIPBOARD selection (PRIMARY is ignored). Changes are told by QClipboard (XFixes);
// writes and the answers to other programs go through QClipboard on the GUI thread.
//
// Reading happens on the capture's worker thread through an X11SelectionReader, a connection
// of its own: the GUI thread never waits for an owner, and while we own the clipboard ourselves
// it answers the reader through Qt like any other program. The owner is asked only for the
// types capture uses: the offered types once per change of the clipboard, and small values are
// kept until the next change. An owner that lets a request run into the time-out is asked
// nothing more until the clipboard changes again. Each file:// URI of text/uri-list is one
// item; other URIs (also from text/x-moz-url) are the URL type.
class X11Pasteboard final : public Pasteboard {
    Q_OBJECT

public:
    // Needs a QGuiApplication on the xcb platform.
    explicit X11Pasteboard(QObject* parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() const override { return changeCount_.load(); }
    QList<PasteboardItem> pasteboardItems() override;
    bool hasType(const QString& type) override;
    std::optional<QByteArray> data(const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    std::optional<QByteArray> imageData() override;
    void clearContents() override;
    void writeObjects(const QList<QUrl>& fileURLs) override;
    void writeObjects(const PasteboardItem& item) override;
    void writeImage(const QByteArray& png) override;
    void setString(const QString& text, const QString& type) override;

    // Ends a read under way and makes every later read return nothing at once (at shutdown,
    // so that a capture waiting for an owner does not hold up the exit). Any thread.
    void cancelReads();

private:
    // What has been learnt about the current owner; reset when the counter moves.
    struct OwnerState {
        qint64 changeCount = -1;
        std::optional<QList<QByteArray>> targets;
        QStringList offeredTypes;
        QHash<QString, std::optional<QByteArray>> reads;
        bool unresponsive = false;
    };

    void clipboardChanged(QClipboard::Mode mode);
    OwnerState& owner();
    const QStringList& offeredTypes();
    std::optional<QByteArray> read(const QString& type);
    std::optional<QString> readText();
    QStringList uris();
    void publish(QMimeData* mimeData);

    QClipboard* clipboard_;
    std::atomic<qint64> changeCount_{0};
    // Used by the worker only (one capture at a time).
    std::unique_ptr<X11SelectionReader> reader_;
    OwnerState owner_;
};

} // namespace quillstack
