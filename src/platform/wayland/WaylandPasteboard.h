#pragma once

#include "platform/Pasteboard.h"
#include "platform/wayland/DataControl.h"

#include <QHash>
#include <QObject>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace quillstack {

class WaylandConnection;

// The seat's clipboard through a data-control protocol, on the program's private Wayland
// connection (the primary selection is ignored).
//
// The change counter moves on every new selection, the program's own included, and changed()
// follows on the thread this object lives on. Reads may come from any one thread at a time:
// each asks the owner through a pipe and waits at most readTimeout; an owner that lets a read
// run out is asked nothing more until the selection changes. Reads of the program's own
// selection are answered from memory. Writes belong to the thread this object lives on.
// Each file:// URI of text/uri-list is one item; other URIs (also from text/x-moz-url) are the
// URL type. Text offered as text/plain;charset=utf-8, UTF8_STRING, TEXT or STRING also counts
// as text/plain.
class WaylandPasteboard final : public Pasteboard {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds readTimeout{2000};
    static constexpr qint64 maxReadBytes = qint64(256) << 20;

    // Binds the protocol on a connection that has not started yet.
    WaylandPasteboard(WaylandConnection& connection, DataControl::Protocol protocol,
                      QObject* parent = nullptr);
    ~WaylandPasteboard() override;

    // False when the compositor does not offer the protocol or has no seat.
    bool isAvailable() const { return dataControl_ != nullptr; }

    qint64 changeCount() const override { return changeCount_; }
    QList<PasteboardItem> pasteboardItems() override;
    bool hasType(const QString& type) override;
    std::optional<QByteArray> data(const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    std::optional<QByteArray> imageData() override;
    void clearContents() override;
    void writeObjects(const QList<QUrl>& fileURLs) override;
    void writeImage(const QByteArray& png) override;
    void writeObjects(const PasteboardItem& item) override;
    void setString(const QString& text, const QString& type) override;

private:
    void selectionChanged(const DataControl::Selection& selection);
    DataControl::Selection current() const;
    std::optional<QString> offeredAs(const QString& type);
    std::optional<QByteArray> read(const QString& type);
    std::optional<QByteArray> receive(const DataControl::Selection& selection,
                                      const QString& offeredType);
    QStringList uris();
    void publish(OwnedSelection selection);

    WaylandConnection& connection_;
    std::unique_ptr<DataControl> dataControl_;
    std::atomic<qint64> changeCount_{0};

    mutable std::mutex mutex_;
    DataControl::Selection selection_;

    // The reading thread's cache for one selection generation.
    quint64 cachedGeneration_ = 0;
    QHash<QString, std::optional<QByteArray>> reads_;
    bool unresponsive_ = false;

    bool clearPending_ = false;
};

} // namespace quillstack
