#include "CodingBand.h"

#include "CodingSteps.h"
#include "FileBytes.h"
#include "ImageHeader.h"
#include "JpegHeader.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <memory>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <png.h>
#include <tiffio.h>

namespace lis::ranker {
namespace {

constexpr int kBandColumns = 1024;
constexpr int kBandPixels = 3072 * 64;
// The rows above the band must still be decoded (a JPEG's entropy-decoded, a PNG's inflated) to
// be passed over: no more than this many pixels of them.
constexpr int kSkippedPixels = 1 << 19;
constexpr int kGrid = 16;
constexpr int kMargin = 16; // columns decoded beyond the band on either side
constexpr int kBlock = 8;
// Larger pictures are left alone: one declaring more is not a photo any camera makes, and a
// picture read whole is held to less.
constexpr std::uint64_t kMaxBandPixels = 50'000'000;
constexpr std::uint64_t kMaxOtherPixels = 24'000'000;
// A JPEG's pixels are read up to this size; above it, its own luma table tells the step, at no
// cost of decoding. A band costs some 2 ms whatever the size (a progressive JPEG is decoded
// whole, about 40 ms a megapixel), and over a run of large photos that adds up.
constexpr std::uint64_t kMaxDecodedJpegPixels = 1'000'000;
constexpr std::size_t kMaxOtherBytes = std::size_t { 256 } << 20;
constexpr std::size_t kReadChunk = 64 * 1024;

int roundedDown(int value, int step)
{
    return value / step * step;
}

std::uint64_t pixelCount(StoredSize size)
{
    return std::uint64_t(size.width) * std::uint64_t(size.height);
}

// libjpeg reads the file through this, a chunk at a time: only what the band needs is read.
struct FileSource
{
    jpeg_source_mgr manager; // first, so libjpeg's pointer to it is a pointer to the whole
    const ReadOnlyFile *file;
    std::uint64_t offset;
    std::unique_ptr<JOCTET[]> buffer; // off the caller's stack, and not cleared for nothing
};

void startReading(j_decompress_ptr) { }

boolean fillBuffer(j_decompress_ptr info)
{
    auto *source = reinterpret_cast<FileSource *>(info->src);
    const long got = source->file->readAt(source->buffer.get(), kReadChunk, source->offset);
    if (got <= 0) {
        // The data ran out: an end marker ends the picture, as libjpeg's own readers do.
        WARNMS(info, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        source->manager.bytes_in_buffer = 2;
    } else {
        source->offset += static_cast<std::uint64_t>(got);
        source->manager.bytes_in_buffer = static_cast<std::size_t>(got);
    }
    source->manager.next_input_byte = source->buffer.get();
    return TRUE;
}

void skipBytes(j_decompress_ptr info, long count)
{
    auto *source = reinterpret_cast<FileSource *>(info->src);
    if (count <= 0)
        return;
    const auto skip = static_cast<std::size_t>(count);
    if (skip <= source->manager.bytes_in_buffer) {
        source->manager.next_input_byte += skip;
        source->manager.bytes_in_buffer -= skip;
        return;
    }
    source->offset += skip - source->manager.bytes_in_buffer;
    source->manager.bytes_in_buffer = 0;
}

void stopReading(j_decompress_ptr) { }

struct ErrorExit
{
    jpeg_error_mgr manager; // first, as above
    std::jmp_buf jump;
    bool warned = false; // the data ran out or is corrupt: the band cannot be trusted
};

[[noreturn]] void leave(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorExit *>(info->err)->jump, 1);
}

void noteWarning(j_common_ptr info, int level)
{
    if (level < 0)
        reinterpret_cast<ErrorExit *>(info->err)->warned = true;
}

// The band decoded by libjpeg into `band` (already of the band's size); false when the file is
// not a JPEG it can decode at the stated size, or its data fails before the band is read.
bool decodeJpegBand(const ReadOnlyFile &file, StoredSize stored, cv::Rect rect, cv::Mat &band)
{
    jpeg_decompress_struct info {};
    ErrorExit error {};
    FileSource source {};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leave;
    error.manager.emit_message = noteWarning;
    source.file = &file;
    source.buffer = std::make_unique_for_overwrite<JOCTET[]>(kReadChunk);
    source.manager.init_source = startReading;
    source.manager.fill_input_buffer = fillBuffer;
    source.manager.skip_input_data = skipBytes;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = stopReading;
    // Nothing below the jump owns memory but libjpeg, which its destruction frees (the buffer is
    // owned above it).
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.src = &source.manager;
    jpeg_read_header(&info, TRUE);
    const bool decodable = int(info.image_width) == stored.width
        && int(info.image_height) == stored.height && info.data_precision == 8
        && (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_GRAYSCALE
            || info.jpeg_color_space == JCS_RGB);
    if (!decodable) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // In colour, as any decoder gives it: where the colour clips, a copy's luma leaves the
    // lattice, and the same blocks must be left out of both.
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    // Colour upsampling at the band's edges must be what a decoding of the whole picture gives.
    const int left = std::max(0, rect.x - kMargin);
    auto x = static_cast<JDIMENSION>(left);
    auto width = static_cast<JDIMENSION>(std::min(stored.width, rect.br().x + kMargin) - left);
    jpeg_crop_scanline(&info, &x, &width);
    const int from = rect.x - int(x);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, width * info.output_components, 1);
    if (rect.y > 0)
        jpeg_skip_scanlines(&info, static_cast<JDIMENSION>(rect.y));
    for (int y = 0; y < rect.height; ++y) {
        if (jpeg_read_scanlines(&info, row, 1) != 1)
            break;
        std::copy_n(row[0] + static_cast<std::size_t>(from) * 3,
            static_cast<std::size_t>(rect.width) * 3, band.ptr<uchar>(y));
    }
    const bool whole = !error.warned;
    jpeg_destroy_decompress(&info);
    return whole;
}

// libpng reads the file through this, a chunk at a time like libjpeg.
struct PngSource
{
    const ReadOnlyFile *file;
    std::uint64_t offset = 0;
    std::unique_ptr<png_byte[]> buffer = std::make_unique_for_overwrite<png_byte[]>(kReadChunk);
    std::size_t at = 0;
    std::size_t held = 0;
};

void readPng(png_structp png, png_bytep into, std::size_t count)
{
    auto *source = static_cast<PngSource *>(png_get_io_ptr(png));
    while (count > 0) {
        if (source->at == source->held) {
            const long got = source->file->readAt(source->buffer.get(), kReadChunk, source->offset);
            if (got <= 0)
                png_error(png, "the data ran out");
            source->offset += static_cast<std::uint64_t>(got);
            source->at = 0;
            source->held = static_cast<std::size_t>(got);
        }
        const std::size_t taken = std::min(count, source->held - source->at);
        std::copy_n(source->buffer.get() + source->at, taken, into);
        source->at += taken;
        into += taken;
        count -= taken;
    }
}

[[noreturn]] void leavePng(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignorePngWarning(png_structp, png_const_charp) { }

// libpng's reading state, freed however the reading ends (made before the jump point, so a jump
// back to it skips no destructor).
struct PngReading
{
    png_structp png
        = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, leavePng, ignorePngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row;
    PngReading() = default;
    PngReading(const PngReading &) = delete;
    PngReading &operator=(const PngReading &) = delete;
    ~PngReading() { png_destroy_read_struct(&png, &info, nullptr); }
};

enum class PngRows { Read, Interlaced, Failed };

// The band of a PNG decoded row by row into `band` (already of the band's size), in 8-bit BGR as
// OpenCV decodes it: the rows below it are never inflated. An interlaced PNG gives its rows only
// once whole.
PngRows decodePngBand(const ReadOnlyFile &file, StoredSize stored, cv::Rect rect, cv::Mat &band)
{
    const auto reading = std::make_unique<PngReading>();
    PngSource source { &file };
    png_structp png = reading->png;
    png_infop info = reading->info;
    if (!png || !info)
        return PngRows::Failed;
    if (setjmp(png_jmpbuf(png)))
        return PngRows::Failed;
    png_set_read_fn(png, &source, readPng);
    png_set_user_limits(
        png, static_cast<png_uint_32>(stored.width), static_cast<png_uint_32>(stored.height));
    png_read_info(png, info);
    if (png_get_image_width(png, info) != png_uint_32(stored.width)
        || png_get_image_height(png, info) != png_uint_32(stored.height))
        return PngRows::Failed;
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
        return PngRows::Interlaced;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = std::size_t(stored.width) * 3;
    if (png_get_rowbytes(png, info) != rowBytes)
        return PngRows::Failed;
    reading->row.resize(rowBytes);
    for (int y = 0; y < rect.br().y; ++y) {
        png_read_row(png, reading->row.data(), nullptr);
        if (y >= rect.y)
            std::copy_n(reading->row.data() + std::size_t(rect.x) * 3, std::size_t(rect.width) * 3,
                band.ptr<uchar>(y - rect.y));
    }
    return PngRows::Read;
}

// The band of an uncompressed BMP, read row by row where it lies in the file (the rest is never
// read), in BGR as OpenCV decodes it.
cv::Mat bmpBand(const std::string &path, BmpPixels layout, StoredSize stored, cv::Rect rect)
{
    const int bytesPerPixel = layout.bitsPerPixel / 8;
    const std::uint64_t stride
        = (std::uint64_t(stored.width) * std::uint64_t(layout.bitsPerPixel) + 31) / 32 * 4;
    const ReadOnlyFile file(path);
    if (!file.isOpen())
        return {};
    cv::Mat band(rect.size(), bytesPerPixel == 3 ? CV_8UC3 : CV_8UC4);
    const std::size_t length = std::size_t(rect.width) * std::size_t(bytesPerPixel);
    for (int y = 0; y < rect.height; ++y) {
        const std::uint64_t row
            = std::uint64_t(layout.topDown ? rect.y + y : stored.height - 1 - rect.y - y);
        const std::uint64_t at
            = layout.offset + row * stride + std::uint64_t(rect.x) * std::uint64_t(bytesPerPixel);
        if (file.readAt(band.ptr<uchar>(y), length, at) != long(length))
            return {};
    }
    if (bytesPerPixel == 4)
        cv::cvtColor(band, band, cv::COLOR_BGRA2BGR);
    return band;
}

// libtiff reads the file through this, and reports nothing to the process's handlers.
struct TiffSource
{
    const ReadOnlyFile *file;
    std::uint64_t offset = 0;
};

tmsize_t readTiff(thandle_t handle, void *into, tmsize_t count)
{
    auto *source = static_cast<TiffSource *>(handle);
    if (count < 0)
        return -1;
    const long got = source->file->readAt(into, static_cast<std::size_t>(count), source->offset);
    if (got > 0)
        source->offset += static_cast<std::uint64_t>(got);
    return got;
}

tmsize_t refuseTiffWrite(thandle_t, void *, tmsize_t)
{
    return -1;
}

toff_t seekTiff(thandle_t handle, toff_t offset, int whence)
{
    auto *source = static_cast<TiffSource *>(handle);
    if (whence == SEEK_CUR)
        offset += source->offset;
    else if (whence == SEEK_END)
        offset += source->file->size();
    source->offset = offset;
    return offset;
}

int closeTiff(thandle_t)
{
    return 0;
}

toff_t tiffSize(thandle_t handle)
{
    return static_cast<TiffSource *>(handle)->file->size();
}

int mapNoTiff(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapNoTiff(thandle_t, void *, toff_t) { }

int quietTiff(TIFF *, void *, const char *, const char *, va_list)
{
    return 1; // handled: the process's own handlers are not called
}

// Any one allocation libtiff makes for a file (a strip's buffer, a directory's arrays).
constexpr tmsize_t kMaxTiffAllocation = 64 << 20;

// The band of a stripped 8-bit RGB TIFF, read a row at a time: libtiff decodes only the strips
// that hold the band. Nothing for any other kind of TIFF.
std::optional<cv::Mat> tiffBand(const std::string &path, StoredSize stored, cv::Rect rect)
{
    const ReadOnlyFile file(path);
    if (!file.isOpen())
        return cv::Mat {};
    TiffSource source { &file };
    const std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(
        TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    if (!options)
        return cv::Mat {};
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quietTiff, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quietTiff, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxTiffAllocation);
    const std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(
        TIFFClientOpenExt("source", "rm", &source, readTiff, refuseTiffWrite, seekTiff, closeTiff,
            tiffSize, mapNoTiff, unmapNoTiff, options.get()),
        TIFFClose);
    if (!tiff)
        return cv::Mat {};
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    std::uint16_t samples = 0;
    std::uint16_t planar = 0;
    std::uint16_t photometric = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width)
        || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height)
        || !TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric))
        return cv::Mat {};
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    if (width != std::uint32_t(stored.width) || height != std::uint32_t(stored.height)
        || TIFFIsTiled(tiff.get()) || bits != 8 || (samples != 3 && samples != 4)
        || planar != PLANARCONFIG_CONTIG || photometric != PHOTOMETRIC_RGB)
        return std::nullopt;
    const std::size_t rowBytes = std::size_t(width) * samples;
    if (TIFFScanlineSize64(tiff.get()) != rowBytes)
        return cv::Mat {};
    // Most codings cannot start within a strip: its rows above the band are decoded too.
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    const std::uint32_t first
        = rowsPerStrip > 0 ? std::uint32_t(rect.y) / rowsPerStrip * rowsPerStrip : 0;
    std::vector<uint8_t> row(rowBytes);
    cv::Mat band(rect.size(), CV_8UC3);
    for (std::uint32_t y = first; y < std::uint32_t(rect.br().y); ++y) {
        if (TIFFReadScanline(tiff.get(), row.data(), y, 0) < 0)
            return cv::Mat {};
        if (y < std::uint32_t(rect.y))
            continue;
        const uint8_t *from = row.data() + std::size_t(rect.x) * samples;
        uchar *to = band.ptr<uchar>(int(y) - rect.y);
        for (int x = 0; x < rect.width; ++x, from += samples, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return band;
}

cv::Mat otherBand(const std::string &path, StoredSize stored, cv::Rect rect)
{
    if (pixelCount(stored) > kMaxOtherPixels)
        return {};
    bool complete = false;
    const std::vector<uint8_t> bytes = readFileHead(path, kMaxOtherBytes, &complete);
    if (!complete || bytes.empty())
        return {};
    const cv::Mat picture = cv::imdecode(bytes, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
    if (picture.cols != stored.width || picture.rows != stored.height)
        return {};
    return picture(rect).clone();
}

} // namespace

cv::Rect codingBand(cv::Size picture)
{
    const int width = roundedDown(std::min(picture.width, kBandColumns), kBlock);
    if (width < kBlock || picture.height < kBlock)
        return {};
    const int rows = roundedDown(std::min(picture.height, kBandPixels / width), kBlock);
    const int x = roundedDown((picture.width - width) / 2, kGrid);
    const int y
        = roundedDown(std::min((picture.height - rows) / 2, kSkippedPixels / picture.width), kGrid);
    return { x, y, width, rows };
}

namespace {

cv::Mat jpegBand(const std::string &path, StoredSize stored, cv::Rect rect)
{
    const ReadOnlyFile file(path);
    if (!file.isOpen())
        return {};
    cv::Mat band(rect.size(), CV_8UC3, cv::Scalar::all(0));
    return decodeJpegBand(file, stored, rect, band) ? band : cv::Mat {};
}

// The band of a PNG; nothing for an interlaced one.
std::optional<cv::Mat> pngBand(const std::string &path, StoredSize stored, cv::Rect rect)
{
    const ReadOnlyFile file(path);
    if (!file.isOpen())
        return cv::Mat {};
    cv::Mat band(rect.size(), CV_8UC3); // every row is written, or the band is not used
    switch (decodePngBand(file, stored, rect, band)) {
    case PngRows::Read:
        return band;
    case PngRows::Interlaced:
        return std::nullopt;
    case PngRows::Failed:
        break;
    }
    return cv::Mat {};
}

// The band read from just the rows or strips of the file that hold it; nothing for a file that
// must be decoded whole. An empty picture when the file could not be read there.
std::optional<cv::Mat> partialBand(
    const std::string &path, const std::vector<uint8_t> &head, StoredSize stored, cv::Rect rect)
{
    if (head.size() >= 8 && png_sig_cmp(head.data(), 0, 8) == 0)
        return pngBand(path, stored, rect);
    if (const std::optional<BmpPixels> bmp = bmpPixels(head.data(), head.size()))
        return bmpBand(path, *bmp, stored, rect);
    if (tiffDirectory(head.data(), head.size()))
        return tiffBand(path, stored, rect);
    return std::nullopt;
}

} // namespace

std::optional<double> sourceCodingStep(
    const std::string &path, StoredSize stored, const std::vector<uint8_t> &head)
{
    const cv::Rect rect = codingBand({ stored.width, stored.height });
    if (rect.empty() || pixelCount(stored) > kMaxBandPixels)
        return std::nullopt;
    if (head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8) {
        const std::optional<JpegHeader> header = parseJpegHeader(head.data(), head.size());
        if (header && pixelCount(stored) > kMaxDecodedJpegPixels) {
            const int luma = header->componentTable[0];
            if (luma < 0 || luma > 3 || !header->hasTable[luma])
                return std::nullopt;
            return tableStep(header->tables[luma]);
        }
        return codingStep(jpegBand(path, stored, rect));
    }
    if (const std::optional<cv::Mat> band = partialBand(path, head, stored, rect))
        return codingStep(*band);
    return codingStep(otherBand(path, stored, rect));
}

} // namespace lis::ranker
