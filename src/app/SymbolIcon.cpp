#include "app/SymbolIcon.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace quillstack {

QString SymbolIcon::resourcePath(const QString& name) {
    return QStringLiteral(":/icons/%1.svg").arg(name);
}

bool SymbolIcon::exists(const QString& name) {
    return !name.isEmpty() && QFile::exists(resourcePath(name));
}

QImage SymbolIcon::image(const QString& name, const QColor& color, const QSize& size,
                         qreal devicePixelRatio) {
    if (!exists(name) || size.isEmpty() || devicePixelRatio <= 0) {
        return {};
    }
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid()) {
        return {};
    }
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QSizeF drawn = renderer.defaultSize();
        drawn.scale(QSizeF(image.size()), Qt::KeepAspectRatio);
        const QPointF origin((image.width() - drawn.width()) / 2,
                             (image.height() - drawn.height()) / 2);
        renderer.render(&painter, QRectF(origin, drawn));
        // Keep the drawing's coverage, replace its colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QIcon SymbolIcon::icon(const QString& name, const QColor& color) {
    if (!exists(name)) {
        return {};
    }
    QIcon result;
    for (int side : {16, 18, 22, 24, 32, 44, 48, 64}) {
        result.addPixmap(QPixmap::fromImage(image(name, color, QSize(side, side))));
    }
    return result;
}

} // namespace quillstack
