#include "entries/ImageNormalizer.h"

namespace quillstack {

std::optional<QImage> ImageNormalizer::decode(const QByteArray&) {
    return std::nullopt;
}

} // namespace quillstack
