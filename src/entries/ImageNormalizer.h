#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace quillstack {

// PNG normalisation and bounded decoding of images. (Being written.)
class ImageNormalizer {
public:
    static std::optional<QImage> decode(const QByteArray& bytes);
};

} // namespace quillstack
