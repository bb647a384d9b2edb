#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace quillstack {

// One object on the clipboard: a set of strings, each under its type. Read per item for the
// file-URL and URL types; built and written whole by write-back.
class PasteboardItem {
public:
    PasteboardItem() = default;

    // Replaces the string of that type, or adds it after the others.
    void setString(const QString& text, const QString& type) {
        for (auto& [itemType, itemText] : strings_) {
            if (itemType == type) {
                itemText = text;
                return;
            }
        }
        strings_.append({type, text});
    }

    std::optional<QString> string(const QString& type) const {
        for (const auto& [itemType, itemText] : strings_) {
            if (itemType == type) {
                return itemText;
            }
        }
        return std::nullopt;
    }

    // The types in the order they were first set.
    QStringList types() const {
        QStringList result;
        for (const auto& entry : strings_) {
            result.append(entry.first);
        }
        return result;
    }

    bool operator==(const PasteboardItem&) const = default;

private:
    QList<std::pair<QString, QString>> strings_;
};

} // namespace quillstack
