#pragma once

#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace quillstack {

// An in-memory clipboard for logic tests. Every change bumps the counter and emits changed().
// Tests offer representations and items as another program would, then read back what was
// written through the ordinary Pasteboard operations and the helpers below. Reads may come from
// the capture's worker thread while a test changes the contents: every operation holds a lock.
class MemoryPasteboard final : public Pasteboard {
    Q_OBJECT

public:
    qint64 changeCount() const override;
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

    // Adds (or replaces) a representation, as another program's copy would. The first offer
    // on an empty clipboard also creates its one item.
    void offer(const QString& type, const QByteArray& bytes);
    void offer(const QString& type, const QString& text) { offer(type, text.toUtf8()); }
    // Replaces the items (the per-item strings of file URLs and URLs).
    void setItems(QList<PasteboardItem> items);
    // Moves the counter without changing the contents (an owner change).
    void touch();

    // The offered types, in the order they were first offered or written.
    QStringList types() const;
    // Every type asked for through data() or string(), in order.
    QStringList requests() const;
    void clearRequests();

private:
    void replaceContents(QList<std::pair<QString, QByteArray>> representations,
                         QList<PasteboardItem> items);
    // With the lock held.
    std::optional<QByteArray> find(const QString& type);
    QStringList typesLocked() const;
    // After the lock is released.
    void announce() { emit changed(); }

    mutable QMutex mutex_;
    qint64 changeCount_ = 0;
    QList<std::pair<QString, QByteArray>> representations_;
    QList<PasteboardItem> items_;
    QStringList requests_;
};

} // namespace quillstack
