#include "platform/memory/MemoryPasteboard.h"

namespace quillstack {

bool MemoryPasteboard::hasType(const QString& type) {
    return types().contains(type);
}

std::optional<QByteArray> MemoryPasteboard::data(const QString& type) {
    requests_.append(type);
    for (const auto& [offeredType, bytes] : representations_) {
        if (offeredType == type) {
            return bytes;
        }
    }
    return std::nullopt;
}

std::optional<QString> MemoryPasteboard::string(const QString& type) {
    const auto bytes = data(type);
    if (!bytes) {
        return std::nullopt;
    }
    return QString::fromUtf8(*bytes);
}

std::optional<QByteArray> MemoryPasteboard::imageData() {
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
    for (auto& [offeredType, offeredBytes] : representations_) {
        if (offeredType == type) {
            offeredBytes = bytes;
            ++changeCount_;
            return;
        }
    }
    representations_.append({type, bytes});
    if (items_.isEmpty()) {
        items_.append(PasteboardItem());
    }
    ++changeCount_;
}

void MemoryPasteboard::setItems(QList<PasteboardItem> items) {
    items_ = std::move(items);
    ++changeCount_;
}

QStringList MemoryPasteboard::types() const {
    QStringList result;
    for (const auto& entry : representations_) {
        result.append(entry.first);
    }
    return result;
}

void MemoryPasteboard::replaceContents(QList<std::pair<QString, QByteArray>> representations,
                                       QList<PasteboardItem> items) {
    representations_ = std::move(representations);
    items_ = std::move(items);
    ++changeCount_;
}

} // namespace quillstack
