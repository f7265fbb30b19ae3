#pragma once

#include <opencv2/core.hpp>

namespace lis::ranker {

// How strongly the steps between neighbouring pixels repeat on a block grid of the given period
// (in pixels, any real number; the grid starts at the image's top-left corner). A JPEG cuts its
// picture into 8 x 8 blocks (16 x 16 for subsampled colour) and coarse quantisation leaves a step
// at every block edge; reduced by a factor, the steps repeat every 8 x factor pixels. Content has
// no reason to favour the grid, so the grid-locked part of the step profile is what compression
// left, whatever the file format now holding the pixels.
struct GridSteps
{
    double amplitude
        = 0; // grid-locked step, in the channel's levels (can fall below 0 for content)
    double relative = 0; // the same over the mean step: how visible it is against the detail
};

// `channel` is 8-bit single-channel. A period below 2.5 pixels leaves nothing to measure (zeros).
GridSteps measureGridSteps(const cv::Mat &channel, double period);

} // namespace lis::ranker
