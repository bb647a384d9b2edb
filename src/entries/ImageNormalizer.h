#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace quillstack {

// Bounded decoding of image bytes from the clipboard and the history, and the PNG
// normalisation applied to every image that was not offered as PNG.
class ImageNormalizer {
public:
    // Nothing larger than this many pixels is decoded (a 64-megapixel image, 8192 x 8192).
    static constexpr qint64 maxDecodedPixels = qint64(8192) * 8192;

    // The image encoded in the bytes, in any format Qt reads; nothing when it does not decode,
    // when its header is unreadable or claims more than maxDecodedPixels.
    static std::optional<QImage> decode(const QByteArray& bytes);

    // The image as PNG bytes, scaled down (never up) so that its longest side is at most
    // maxDimension, with a tolerance of 0.1 % (1801 px stays as it is at 1800). Sizes are
    // computed in double precision and rounded down: 7000 x 3500 becomes 1799 x 899.
    static std::optional<QByteArray> pngData(const QImage& image, int maxDimension);

    // The pixel size pngData gives an image of that size.
    static QSize scaledSize(QSize size, int maxDimension);

    static std::optional<QByteArray> encodePNG(const QImage& image);

    // The image in the bytes as PNG for the clipboard: PNG bytes whose header reads come back
    // as they are, without decoding (so no size limit applies); any other format is decoded
    // under decode's limits and encoded as PNG. Nothing when neither works.
    static std::optional<QByteArray> pasteablePNG(const QByteArray& bytes);
};

} // namespace quillstack
