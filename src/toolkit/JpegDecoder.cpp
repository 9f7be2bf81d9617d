#include "toolkit/JpegDecoder.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first

#include <jerror.h>
#include <jpeglib.h>

namespace tk {

namespace {

// Format_RGB32 is 0xffRRGGBB in native byte order; the A variants set the fourth byte to 0xff.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE NativeRgb32 = JCS_EXT_BGRA;
#else
constexpr J_COLOR_SPACE NativeRgb32 = JCS_EXT_ARGB;
#endif

struct ErrorManager
{
    jpeg_error_mgr base; // first, so the library's pointer to it is a pointer to this
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

// Warnings (a truncated file, stray bytes between markers) still give a picture; say nothing.
void stayQuiet(j_common_ptr) { }

bool outOfMemory(int code)
{
    return code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE;
}

// The library reports errors by jumping back into this function: every local here must be
// trivially destructible, and what survives the jump lives in the caller.
JpegDecode::Status run(jpeg_decompress_struct &info, ErrorManager &errors, QByteArrayView data,
                       qint64 maxPixels, QImage &image)
{
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    errors.base.output_message = stayQuiet;
    if (setjmp(errors.jump))
        return outOfMemory(errors.base.msg_code) ? JpegDecode::TooLarge : JpegDecode::Damaged;

    jpeg_create_decompress(&info);
    // Progressive pictures hold every coefficient while decoding: allow them what the largest
    // picture itself may take, instead of letting a forged header claim gigabytes.
    info.mem->max_memory_to_use = long(maxPixels * 4);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.data()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    if (qint64(info.image_width) * info.image_height > maxPixels)
        return JpegDecode::TooLarge;

    QImage::Format format;
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        info.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        info.out_color_space = NativeRgb32;
        format = QImage::Format_RGB32;
        break;
    default:
        return JpegDecode::Unsupported;
    }
    // Qt's reader settings at its default quality, so both give the same pixels.
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&info);

    image = QImage(int(info.output_width), int(info.output_height), format);
    if (image.isNull())
        return JpegDecode::TooLarge;
    std::array<JSAMPROW, 16> rows;
    while (info.output_scanline < info.output_height) {
        const JDIMENSION wanted = std::min<JDIMENSION>(info.output_height - info.output_scanline,
                                                       JDIMENSION(rows.size()));
        for (JDIMENSION i = 0; i < wanted; ++i)
            rows[i] = image.scanLine(int(info.output_scanline + i));
        if (jpeg_read_scanlines(&info, rows.data(), wanted) == 0)
            return JpegDecode::Damaged;
    }
    // Every row is in: whatever follows the last one cannot change the picture, so the rest
    // of the stream is not read.
    return JpegDecode::Decoded;
}

} // namespace

JpegDecode decodeJpeg(QByteArrayView data, qint64 maxPixels)
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    JpegDecode result;
    result.status = run(info, errors, data, maxPixels, result.image);
    jpeg_destroy_decompress(&info);
    if (result.status != JpegDecode::Decoded)
        result.image = QImage();
    return result;
}

} // namespace tk
