#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

namespace quillstack {

// Our own symbol images, one SVG per symbol name ("doc", "trash", "magnifyingglass", ...),
// drawn on a 24-unit grid in a single colour and tinted when rendered.
class SymbolIcon {
public:
    SymbolIcon() = delete;

    // ":/icons/<name>.svg".
    static QString resourcePath(const QString& name);
    static bool exists(const QString& name);

    // The symbol in the given colour (its alpha included), scaled to fit `size` (device-
    // independent pixels) and centred, rendered at size x devicePixelRatio with that ratio
    // set. A null image for an unknown name.
    static QImage image(const QString& name, const QColor& color, const QSize& size,
                        qreal devicePixelRatio = 1.0);

    // The symbol as an icon in one colour, with crisp renderings for the usual sizes; a null
    // icon for an unknown name.
    static QIcon icon(const QString& name, const QColor& color);
};

} // namespace quillstack
