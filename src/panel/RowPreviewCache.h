#pragma once

#include "entries/ClipboardEntry.h"
#include "panel/PreviewLayout.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <optional>

namespace quillstack {

class ClipboardManager;

// What drawing a row costs most to make, kept per entry: the subtitle, the decoded image
// thumbnail or file icon, and the laid-out preview for each of the two search states. Entries
// never change, so an item is valid for as long as its entry is in the history; the cache is
// pruned to the history on every change and so never holds more than the store's 200 entries.
// New entries are prepared a few at a time while the event loop is idle, so that opening the
// panel rarely decodes anything.
class RowPreviewCache : public QObject {
    Q_OBJECT

public:
    static constexpr int tileSize = 58;
    static constexpr int fileIconSize = 46;
    static constexpr int previewFontSize = 13;

    // The store must outlive the cache.
    explicit RowPreviewCache(ClipboardManager& manager, QObject* parent = nullptr);

    const QString& subtitle(const ClipboardEntry& entry);
    // Image entries: the thumbnail filling the tile (cropped); null when the data is missing or
    // does not decode. File entries: the file icon. Other kinds: null.
    const QImage& tileImage(const ClipboardEntry& entry);
    // The preview of the row's text column at `width`.
    const PreviewLayout& preview(const ClipboardEntry& entry, bool searching, qreal width);

    // The pixel ratio of the screen the rows are drawn on; a change empties the images.
    void setDevicePixelRatio(qreal ratio);
    // The text column's width the idle preparation lays previews out at.
    void setPreferredWidth(qreal width) { preferredWidth_ = width; }

    qsizetype size() const { return items_.size(); }
    // Prepares every entry of the history now (benchmarks, tests).
    void prepareAll();

    static QFont previewFont();
    static QFont colourPreviewFont();

private:
    struct Item {
        std::optional<QString> subtitle;
        std::optional<QImage> tile;
        PreviewLayout previews[2];
    };

    Item& itemFor(const ClipboardEntry& entry);
    PreviewLayout makePreview(const ClipboardEntry& entry, bool searching, qreal width);
    QImage makeTile(const ClipboardEntry& entry) const;
    void historyChanged();
    void prepareSome();
    void prepare(const ClipboardEntry& entry);

    ClipboardManager& manager_;
    QHash<QUuid, Item> items_;
    QList<QUuid> pending_;
    QTimer idle_;
    qreal devicePixelRatio_ = 1.0;
    qreal preferredWidth_ = 0;
};

} // namespace quillstack
