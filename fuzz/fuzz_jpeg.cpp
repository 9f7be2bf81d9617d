// Picture files come from the catalogue folder, written by anyone: decoding any bytes must end
// in a verdict, never a crash, and a decoded picture must keep to the pixel limit.
#include "toolkit/JpegDecoder.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Small enough that each input decodes in milliseconds, large enough for multi-block scans.
constexpr qint64 MaxPixels = 1 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const tk::JpegDecode result = tk::decodeJpeg(
        QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)),
        MaxPixels);
    const bool decoded = result.status == tk::JpegDecode::Decoded;
    if (decoded == result.image.isNull())
        std::abort();
    if (decoded && qint64(result.image.width()) * result.image.height() > MaxPixels)
        std::abort();
    return 0;
}
