#include "app/AppLogo.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace quillstack {

std::optional<QImage> loadAppLogo(qreal maxDimension) {
    return loadAppLogo(maxDimension, QString::fromLatin1(appLogoResource));
}

std::optional<QImage> loadAppLogo(qreal maxDimension, const QString& path) {
    QImageReader reader(path);
    QImage logo = reader.read();
    if (logo.isNull()) {
        return std::nullopt;
    }
    return scaledAppLogo(logo, maxDimension);
}

QImage scaledAppLogo(const QImage& logo, qreal maxDimension) {
    const int longer = std::max(logo.width(), logo.height());
    if (longer <= 0) {
        return logo;
    }
    const qreal scale = maxDimension / longer;
    if (!(scale < 0.999)) { // also a limit that is not a number
        return logo;
    }
    const int width = std::max(1, static_cast<int>(std::floor(logo.width() * scale)));
    const int height = std::max(1, static_cast<int>(std::floor(logo.height() * scale)));
    return logo.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace quillstack
