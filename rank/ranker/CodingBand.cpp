#include "CodingBand.h"

#include "CodingSteps.h"
#include "FileBytes.h"
#include "JpegHeader.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <memory>
#include <opencv2/imgcodecs.hpp>

namespace lis::ranker {
namespace {

constexpr int kBandColumns = 1024;
constexpr int kBandPixels = 3072 * 64;
// A JPEG's rows above the band are entropy-decoded to be skipped: no more than this many pixels.
constexpr int kSkippedPixels = 2 << 20;
constexpr int kGrid = 16;
constexpr int kMargin = 16; // columns decoded beyond the band on either side
constexpr int kBlock = 8;
// Larger pictures are left alone: another format is decoded whole, and a JPEG declaring more is
// not a photo any camera makes.
constexpr std::uint64_t kMaxJpegPixels = 50'000'000;
constexpr std::uint64_t kMaxOtherPixels = 24'000'000;
// A progressive JPEG is decoded whole (about 40 ms a megapixel here): above this, its table.
constexpr std::uint64_t kMaxProgressivePixels = 1'000'000;
constexpr std::size_t kMaxOtherBytes = std::size_t { 256 } << 20;
constexpr std::size_t kReadChunk = 64 * 1024;

int roundedDown(int value, int step)
{
    return value / step * step;
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

cv::Mat otherBand(const std::string &path, StoredSize stored, cv::Rect rect)
{
    if (std::uint64_t(stored.width) * std::uint64_t(stored.height) > kMaxOtherPixels)
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
    if (std::uint64_t(stored.width) * std::uint64_t(stored.height) > kMaxJpegPixels)
        return {};
    const ReadOnlyFile file(path);
    if (!file.isOpen())
        return {};
    cv::Mat band(rect.size(), CV_8UC3, cv::Scalar::all(0));
    return decodeJpegBand(file, stored, rect, band) ? band : cv::Mat {};
}

} // namespace

std::optional<double> sourceCodingStep(
    const std::string &path, StoredSize stored, const std::vector<uint8_t> &head)
{
    const cv::Rect rect = codingBand({ stored.width, stored.height });
    if (rect.empty())
        return std::nullopt;
    if (head.size() < 2 || head[0] != 0xFF || head[1] != 0xD8)
        return codingStep(otherBand(path, stored, rect));
    const std::optional<JpegHeader> header = parseJpegHeader(head.data(), head.size());
    if (header && header->progressive
        && std::uint64_t(stored.width) * std::uint64_t(stored.height) > kMaxProgressivePixels) {
        const int luma = header->componentTable[0];
        if (luma < 0 || luma > 3 || !header->hasTable[luma])
            return std::nullopt;
        return tableStep(header->tables[luma]);
    }
    return codingStep(jpegBand(path, stored, rect));
}

} // namespace lis::ranker
