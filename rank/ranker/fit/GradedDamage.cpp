#include "GradedDamage.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace lis::ranker::fit {
namespace {

// Fast PNG: the files only pass through the preparation step.
const std::vector<int> kPngParameters = { cv::IMWRITE_PNG_COMPRESSION, 1 };

std::vector<uint8_t> encode(const char *extension, const cv::Mat &image, std::vector<int> params)
{
    std::vector<uint8_t> bytes;
    cv::imencode(extension, image, bytes, params);
    return bytes;
}

cv::Mat scaled(const cv::Mat &photo, double factor)
{
    cv::Mat out;
    photo.convertTo(out, -1, factor, 0);
    return out;
}

cv::Mat noisy(const cv::Mat &photo, double sigma, uint64_t seed)
{
    cv::Mat noise(photo.size(), CV_32FC3);
    cv::RNG rng(seed);
    rng.fill(noise, cv::RNG::NORMAL, 0, sigma);
    cv::Mat sum;
    photo.convertTo(sum, CV_32FC3);
    sum += noise;
    cv::Mat out;
    sum.convertTo(out, CV_8UC3);
    return out;
}

// Every channel pulled toward the photo's mean grey by the factor.
cv::Mat flattened(const cv::Mat &photo, double factor)
{
    cv::Mat grey;
    cv::cvtColor(photo, grey, cv::COLOR_BGR2GRAY);
    const double mean = cv::mean(grey)[0];
    cv::Mat out;
    photo.convertTo(out, -1, factor, (1.0 - factor) * mean);
    return out;
}

} // namespace

const char *kindName(DamageKind kind)
{
    switch (kind) {
    case DamageKind::Blur:
        return "blur";
    case DamageKind::Jpeg:
        return "jpeg";
    case DamageKind::Noise:
        return "noise";
    case DamageKind::Over:
        return "over";
    case DamageKind::Under:
        return "under";
    case DamageKind::Contrast:
        return "contrast";
    }
    return "?";
}

const std::vector<DamageLevel> &damageLevels()
{
    static const std::vector<DamageLevel> levels = [] {
        const std::vector<std::pair<DamageKind, std::vector<double>>> kinds = {
            { DamageKind::Blur, { 0.7, 1.2, 1.8, 2.5, 3.5, 5.0, 7.0, 10.0 } },
            { DamageKind::Jpeg, { 90, 70, 50, 35, 20, 8, 5, 3 } },
            { DamageKind::Noise, { 2, 4, 7, 11, 16, 24, 36, 54 } },
            { DamageKind::Over, { 1.2, 1.45, 1.75, 2.1, 2.6, 3.2, 4.0, 5.0 } },
            { DamageKind::Under, { 0.8, 0.6, 0.45, 0.32, 0.21, 0.12, 0.08, 0.05 } },
            { DamageKind::Contrast, { 0.8, 0.64, 0.5, 0.38, 0.27, 0.18, 0.12, 0.07 } },
        };
        std::vector<DamageLevel> out;
        for (const auto &[kind, strengths] : kinds)
            for (std::size_t i = 0; i < strengths.size(); ++i)
                out.push_back({ kind, static_cast<int>(i) + 1, strengths[i] });
        return out;
    }();
    return levels;
}

DamagedFile undamaged(const cv::Mat &photo)
{
    return { encode(".png", photo, kPngParameters), ".png" };
}

DamagedFile resavedAsJpeg(const cv::Mat &photo)
{
    return { encode(".jpg", photo, { cv::IMWRITE_JPEG_QUALITY, 95 }), ".jpg" };
}

DamagedFile damagePhoto(const cv::Mat &photo, const DamageLevel &level, uint64_t seed)
{
    switch (level.kind) {
    case DamageKind::Jpeg:
        return { encode(
                     ".jpg", photo, { cv::IMWRITE_JPEG_QUALITY, static_cast<int>(level.strength) }),
            ".jpg" };
    case DamageKind::Blur: {
        cv::Mat out;
        cv::GaussianBlur(photo, out, cv::Size(), level.strength);
        return undamaged(out);
    }
    case DamageKind::Noise:
        return undamaged(noisy(photo, level.strength, seed));
    case DamageKind::Over:
    case DamageKind::Under:
        return undamaged(scaled(photo, level.strength));
    case DamageKind::Contrast:
        return undamaged(flattened(photo, level.strength));
    }
    return undamaged(photo);
}

} // namespace lis::ranker::fit
