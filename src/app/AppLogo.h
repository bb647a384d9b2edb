#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace quillstack {

// The application logo: a 1024 x 1024 PNG compiled into the program.
inline constexpr const char* appLogoResource = ":/quillstack.png";

// The logo no larger than maxDimension on its longer side; nothing when the resource is
// missing or does not decode.
std::optional<QImage> loadAppLogo(qreal maxDimension);
// The same from another image file or resource.
std::optional<QImage> loadAppLogo(qreal maxDimension, const QString& path);

// The size rule: an image whose longer side is within 0.1 % of maxDimension, or shorter, is
// returned as is (a logo is never enlarged); otherwise it is scaled with smooth interpolation
// to floor(width x s) by floor(height x s), s = maxDimension / longer side, at least 1 x 1.
QImage scaledAppLogo(const QImage& logo, qreal maxDimension);

} // namespace quillstack
