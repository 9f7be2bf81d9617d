#pragma once

#include <QByteArrayView>
#include <QImage>

namespace tk {

// Decodes a JPEG held in memory straight into the picture's own rows: the same pixels Qt's
// reader gives (same decoder, same settings), without its per-row copies, which are a sixth
// of the time on a photograph.
struct JpegDecode
{
    enum Status {
        Decoded,
        // CMYK and YCCK pictures: Qt's reader knows their conventions, this decoder does not.
        Unsupported,
        // More than the pixel limit, or more working memory than the decoder is allowed.
        TooLarge,
        Damaged,
    };
    Status status = Damaged;
    QImage image;
};

JpegDecode decodeJpeg(QByteArrayView data, qint64 maxPixels);

} // namespace tk
