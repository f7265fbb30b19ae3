#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace lis::ranker::fit {

// Graded damage of a photo at its own resolution, before the program reduces it: six kinds,
// levels 1 (mild) to 8 (beyond what most tools call severe, so the order is learnt past the
// usual range too). Level 0 is the photo itself.
enum class DamageKind { Blur, Jpeg, Noise, Over, Under, Contrast };

struct DamageLevel
{
    DamageKind kind;
    int level; // 1..8
    double strength; // blur sigma in pixels, JPEG quality, noise sigma in levels, or a factor
};

const char *kindName(DamageKind kind);

// Every kind at every level, in a fixed order.
const std::vector<DamageLevel> &damageLevels();

// The damaged photo as a file would hold it: a JPEG for JPEG damage, a PNG otherwise, so the
// program's preparation sees what it would see on disk.
struct DamagedFile
{
    std::vector<uint8_t> bytes;
    std::string extension; // ".png" or ".jpg"
};

// `photo` is 8-bit BGR. Noise is drawn from a generator seeded with `seed`.
DamagedFile damagePhoto(const cv::Mat &photo, const DamageLevel &level, uint64_t seed);

// The photo itself, losslessly.
DamagedFile undamaged(const cv::Mat &photo);

// The photo as a JPEG of quality 95: no visible loss, but the program's JPEG path.
DamagedFile resavedAsJpeg(const cv::Mat &photo);

} // namespace lis::ranker::fit
