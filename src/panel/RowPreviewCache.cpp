#include "panel/RowPreviewCache.h"

#include "panel/PreviewFormatter.h"
#include "panel/PreviewPalette.h"
#include "settings/ViewStyle.h"
#include "store/ClipboardManager.h"

#include <QPainter>
#include <QSet>

namespace quillstack {

namespace {

constexpr int maxPlainLines = 3;
constexpr int maxCodeLines = 4;

QImage thumbnail(const QImage& image, qreal ratio) {
    const int side = qRound(RowPreviewCache::tileSize * ratio);
    // Fill the square, cropping the overflow around the centre.
    const QImage scaled =
        image.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QImage tile = scaled.copy((scaled.width() - side) / 2, (scaled.height() - side) / 2, side, side)
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    tile.setDevicePixelRatio(ratio);
    return tile;
}

} // namespace

RowPreviewCache::RowPreviewCache(ClipboardManager& manager, QObject* parent)
    : QObject(parent), manager_(manager), idle_(this) {
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, &RowPreviewCache::prepareSome);
    connect(&manager_, &ClipboardManager::historyChanged, this, &RowPreviewCache::historyChanged);
    historyChanged();
}

QFont RowPreviewCache::previewFont() {
    return ViewStyle::font(previewFontSize);
}

QFont RowPreviewCache::colourPreviewFont() {
    return ViewStyle::font(previewFontSize, QFont::Medium, true);
}

RowPreviewCache::Item& RowPreviewCache::itemFor(const ClipboardEntry& entry) {
    return items_[entry.id()];
}

const QString& RowPreviewCache::subtitle(const ClipboardEntry& entry) {
    Item& item = itemFor(entry);
    if (!item.subtitle) {
        item.subtitle = entry.subtitle();
    }
    return *item.subtitle;
}

const QImage& RowPreviewCache::tileImage(const ClipboardEntry& entry) {
    Item& item = itemFor(entry);
    if (!item.tile) {
        item.tile = makeTile(entry);
    }
    return *item.tile;
}

QImage RowPreviewCache::makeTile(const ClipboardEntry& entry) const {
    switch (entry.kind()) {
    case ClipboardKind::image: {
        const std::optional<QImage> image = entry.imagePreview();
        return image && !image->isNull() ? thumbnail(*image, devicePixelRatio_) : QImage();
    }
    case ClipboardKind::file: {
        const std::optional<QString> path =
            entry.filePaths().isEmpty() ? std::nullopt : std::optional(entry.filePaths().first());
        QImage icon = PreviewFormatter::icon(path, ViewStyle::primary(), devicePixelRatio_);
        const int side = qRound(fileIconSize * devicePixelRatio_);
        if (icon.width() != side) {
            icon = icon.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            icon.setDevicePixelRatio(devicePixelRatio_);
        }
        return icon;
    }
    default:
        return {};
    }
}

const PreviewLayout& RowPreviewCache::preview(const ClipboardEntry& entry, bool searching,
                                              qreal width) {
    Item& item = itemFor(entry);
    PreviewLayout& slot = item.previews[searching ? 1 : 0];
    if (slot.isNull() || slot.width() != width) {
        slot = makePreview(entry, searching, width);
    }
    return slot;
}

PreviewLayout RowPreviewCache::makePreview(const ClipboardEntry& entry, bool searching,
                                           qreal width) {
    const QFont font = previewFont();
    if (!searching) {
        switch (entry.kind()) {
        case ClipboardKind::markdown:
        case ClipboardKind::html:
            return PreviewLayout::rich(PreviewFormatter::rich(entry), font, maxPlainLines, width);
        case ClipboardKind::code:
            return PreviewLayout::rich(
                PreviewFormatter::code(entry.text().value_or(QString()), PreviewPalette::dark()),
                font, maxCodeLines, width);
        default:
            break;
        }
    }
    if (entry.kind() == ClipboardKind::color) {
        // Beside the small swatch, on one line.
        return PreviewLayout::plain(subtitle(entry), colourPreviewFont(), 1, width);
    }
    const QString& text = subtitle(entry);
    return PreviewLayout::plain(text.isEmpty() ? QStringLiteral(" ") : text, font, maxPlainLines,
                                width);
}

void RowPreviewCache::setDevicePixelRatio(qreal ratio) {
    if (ratio <= 0 || ratio == devicePixelRatio_) {
        return;
    }
    devicePixelRatio_ = ratio;
    for (Item& item : items_) {
        item.tile.reset();
    }
}

void RowPreviewCache::historyChanged() {
    QSet<QUuid> present;
    pending_.clear();
    for (const ClipboardEntry& entry : manager_.history()) {
        present.insert(entry.id());
        if (!items_.contains(entry.id())) {
            pending_.append(entry.id());
        }
    }
    for (auto it = items_.begin(); it != items_.end();) {
        it = present.contains(it.key()) ? std::next(it) : items_.erase(it);
    }
    if (!pending_.isEmpty()) {
        idle_.start();
    }
}

void RowPreviewCache::prepare(const ClipboardEntry& entry) {
    subtitle(entry);
    tileImage(entry);
    if (preferredWidth_ > 0) {
        preview(entry, false, preferredWidth_);
        preview(entry, true, preferredWidth_);
    }
}

void RowPreviewCache::prepareSome() {
    // One entry per turn of the event loop keeps every pause short.
    while (!pending_.isEmpty()) {
        const QUuid id = pending_.takeFirst();
        if (items_.contains(id)) {
            continue;
        }
        for (const ClipboardEntry& entry : manager_.history()) {
            if (entry.id() == id) {
                prepare(entry);
                break;
            }
        }
        break;
    }
    if (pending_.isEmpty()) {
        idle_.stop();
    }
}

void RowPreviewCache::prepareAll() {
    pending_.clear();
    idle_.stop();
    for (const ClipboardEntry& entry : manager_.history()) {
        prepare(entry);
    }
}

} // namespace quillstack
