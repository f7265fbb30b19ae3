#include "RankerTestImages.h"

#include "lumetra_image_rank.h"
#include "tests/support/TempAppFolder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>

namespace lis::test {

std::vector<std::string> bestScoredPhotos(std::size_t count)
{
    const std::string dir = sharedTestData().toStdString() + "/iqa/biq2021-train-sample";
    std::ifstream csv(dir + "/mos.csv");
    std::vector<std::pair<double, std::string>> scored;
    std::string line;
    std::getline(csv, line);
    while (std::getline(csv, line)) {
        const auto comma = line.rfind(',');
        if (comma == std::string::npos)
            continue;
        std::string name = line.substr(0, comma);
        name.erase(std::remove(name.begin(), name.end(), '"'), name.end());
        scored.emplace_back(std::stod(line.substr(comma + 1)), dir + "/images/" + name);
    }
    std::sort(scored.begin(), scored.end(), std::greater<>());
    std::vector<std::string> out;
    for (std::size_t i = 0; i < scored.size() && out.size() < count; ++i)
        out.push_back(scored[i].second);
    return out;
}

cv::Mat shadedScene(cv::Size size)
{
    cv::Mat image(size, CV_8UC3);
    cv::RNG rng(5);
    for (int y = 0; y < image.rows; ++y)
        for (int x = 0; x < image.cols; ++x) {
            const double v = 120 + 60 * std::sin(x / 37.0) * std::cos(y / 23.0) + rng.gaussian(6);
            image.at<cv::Vec3b>(y, x) = cv::Vec3b(cv::saturate_cast<uchar>(v),
                cv::saturate_cast<uchar>(v * 0.8 + 30), cv::saturate_cast<uchar>(255 - v));
        }
    return image;
}

std::string writeWorkingBitmap(const cv::Mat &image, const std::string &path)
{
    cv::Mat working = image;
    if (image.cols > 500) {
        const double scale = std::min(500.0 / image.cols, 500.0 / image.rows);
        cv::resize(image, working, cv::Size(), scale, scale, cv::INTER_AREA);
    }
    cv::imwrite(path, working);
    return path;
}

int32_t rankFile(const std::string &path)
{
    std::vector<char> buffer(4 + path.size() + 1, '\0');
    const auto length = static_cast<uint32_t>(path.size());
    std::memcpy(buffer.data(), &length, 4);
    std::memcpy(buffer.data() + 4, path.data(), path.size());
    char *text = buffer.data() + 4;
    return ImageRank(&text);
}

} // namespace lis::test
