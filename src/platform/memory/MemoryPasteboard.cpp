#include "platform/memory/MemoryPasteboard.h"

namespace quillstack {

qint64 MemoryPasteboard::changeCount() const {
    const QMutexLocker lock(&mutex_);
    return changeCount_;
}

QList<PasteboardItem> MemoryPasteboard::pasteboardItems() {
    const QMutexLocker lock(&mutex_);
    return items_;
}

bool MemoryPasteboard::hasType(const QString& type) {
    const QMutexLocker lock(&mutex_);
    return typesLocked().contains(type);
}

std::optional<QByteArray> MemoryPasteboard::find(const QString& type) {
    requests_.append(type);
    for (const auto& [offeredType, bytes] : representations_) {
        if (offeredType == type) {
            return bytes;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> MemoryPasteboard::data(const QString& type) {
    const QMutexLocker lock(&mutex_);
    return find(type);
}

std::optional<QString> MemoryPasteboard::string(const QString& type) {
    const auto bytes = data(type);
    if (!bytes) {
        return std::nullopt;
    }
    return QString::fromUtf8(*bytes);
}

std::optional<QByteArray> MemoryPasteboard::imageData() {
    const QMutexLocker lock(&mutex_);
    for (const auto& [type, bytes] : representations_) {
        if (type.startsWith(QLatin1String("image/")) && type != pngType() && type != tiffType()) {
            requests_.append(type);
            return bytes;
        }
    }
    return std::nullopt;
}

void MemoryPasteboard::clearContents() {
    replaceContents({}, {});
}

void MemoryPasteboard::writeObjects(const QList<QUrl>& fileURLs) {
    QList<PasteboardItem> items;
    QByteArray uriList;
    for (const QUrl& url : fileURLs) {
        const QString encoded = url.toString(QUrl::FullyEncoded);
        PasteboardItem item;
        item.setString(encoded, fileURLType());
        items.append(item);
        uriList += encoded.toUtf8() + "\r\n";
    }
    replaceContents({{fileURLType(), uriList}}, items);
}

void MemoryPasteboard::writeImage(const QByteArray& png) {
    replaceContents({{pngType(), png}}, {PasteboardItem()});
}

void MemoryPasteboard::writeObjects(const PasteboardItem& item) {
    QList<std::pair<QString, QByteArray>> representations;
    for (const QString& type : item.types()) {
        representations.append({type, item.string(type)->toUtf8()});
    }
    replaceContents(std::move(representations), {item});
}

void MemoryPasteboard::setString(const QString& text, const QString& type) {
    PasteboardItem item;
    item.setString(text, type);
    replaceContents({{type, text.toUtf8()}}, {item});
}

void MemoryPasteboard::offer(const QString& type, const QByteArray& bytes) {
    {
        const QMutexLocker lock(&mutex_);
        bool replaced = false;
        for (auto& [offeredType, offeredBytes] : representations_) {
            if (offeredType == type) {
                offeredBytes = bytes;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            representations_.append({type, bytes});
            if (items_.isEmpty()) {
                items_.append(PasteboardItem());
            }
        }
        ++changeCount_;
    }
    announce();
}

void MemoryPasteboard::setItems(QList<PasteboardItem> items) {
    {
        const QMutexLocker lock(&mutex_);
        items_ = std::move(items);
        ++changeCount_;
    }
    announce();
}

void MemoryPasteboard::touch() {
    {
        const QMutexLocker lock(&mutex_);
        ++changeCount_;
    }
    announce();
}

QStringList MemoryPasteboard::typesLocked() const {
    QStringList result;
    for (const auto& entry : representations_) {
        result.append(entry.first);
    }
    return result;
}

QStringList MemoryPasteboard::types() const {
    const QMutexLocker lock(&mutex_);
    return typesLocked();
}

QStringList MemoryPasteboard::requests() const {
    const QMutexLocker lock(&mutex_);
    return requests_;
}

void MemoryPasteboard::clearRequests() {
    const QMutexLocker lock(&mutex_);
    requests_.clear();
}

void MemoryPasteboard::replaceContents(QList<std::pair<QString, QByteArray>> representations,
                                       QList<PasteboardItem> items) {
    {
        const QMutexLocker lock(&mutex_);
        representations_ = std::move(representations);
        items_ = std::move(items);
        ++changeCount_;
    }
    announce();
}

} // namespace quillstack
