#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace lis::test {

// Real photos from the shared quality set, best-scored first; empty when the set is absent.
std::vector<std::string> bestScoredPhotos(std::size_t count);

// What the program hands the ranking library: the image reduced to at most 500 pixels wide
// by area averaging, written as a 24-bit BMP. Returns the path written.
std::string writeWorkingBitmap(const cv::Mat &image, const std::string &path);

// A photo-like frame: smooth colour shading with some grain, no block edges anywhere.
cv::Mat shadedScene(cv::Size size);

// Ranks a plain path through the length-prefixed argument the program passes.
int32_t rankFile(const std::string &path);

} // namespace lis::test
