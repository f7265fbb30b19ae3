#pragma once

#include <array>
#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>

namespace lis::ranker {

// The quantisation step a JPEG coding left in a picture, read back from its decoded pixels.
// JPEG rounds the 8 x 8 cosine transform of every block of luma to multiples of a step per
// frequency; transforming the decoded blocks again gives values that sit on those multiples
// (give or take the decoder's rounding), where a picture never coded, or reduced, blurred or
// edited since, has them anywhere. So the same pixels tell the same step in any file format,
// and the step grows steadily as the coding's quality falls: 2 at quality 90 or more, about 4
// at 85, 6 at 75, 13 at 45, 40 at 15.
//
// `pixels` is 8-bit luma (as a JPEG decodes to grey) or BGR (whose luma JPEG's weights give),
// with its top-left corner on the coding's block grid. The step is
// the median over the lowest frequencies that hold enough values to tell; 1 when they show
// none; nothing when no frequency does (too small, flat or clipped to tell).
std::optional<double> codingStep(const cv::Mat &pixels);

// The step a JPEG's own luma table (in the stream's zigzag order) gives the same frequencies,
// taken the same way: what a first coding's pixels show.
std::optional<double> tableStep(const std::array<uint16_t, 64> &zigzagTable);

// The coding a step shows, in natural-log units, 0 for steps of 2 or less: those move no pixel
// by more than a level.
double codingDefect(std::optional<double> step);

} // namespace lis::ranker
