#include "Blockiness.h"

#include <cmath>
#include <complex>
#include <vector>

namespace lis::ranker {
namespace {

// Harmonics of the grid are measured up to this share of the sampling rate: closer to the
// limit, a pattern repeating every other pixel (noise, fine texture) reads as a grid, and the
// reduction has smoothed most of what compression left there.
constexpr double kHighestFrequency = 0.45;
constexpr double kShortestPeriod = 2.5;

// Mean absolute step between each column and the next, over all rows.
std::vector<double> columnSteps(const cv::Mat &c)
{
    std::vector<double> steps(static_cast<std::size_t>(c.cols - 1), 0.0);
    std::vector<int> sums(steps.size(), 0);
    for (int y = 0; y < c.rows; ++y) {
        const uint8_t *p = c.ptr<uint8_t>(y);
        for (int x = 0; x + 1 < c.cols; ++x)
            sums[x] += std::abs(p[x + 1] - p[x]);
    }
    for (std::size_t x = 0; x < steps.size(); ++x)
        steps[x] = static_cast<double>(sums[x]) / c.rows;
    return steps;
}

// Mean absolute step between each row and the next, over all columns.
std::vector<double> rowSteps(const cv::Mat &c)
{
    std::vector<double> steps(static_cast<std::size_t>(c.rows - 1), 0.0);
    for (int y = 0; y + 1 < c.rows; ++y) {
        const uint8_t *a = c.ptr<uint8_t>(y);
        const uint8_t *b = c.ptr<uint8_t>(y + 1);
        int sum = 0;
        for (int x = 0; x < c.cols; ++x)
            sum += std::abs(b[x] - a[x]);
        steps[static_cast<std::size_t>(y)] = static_cast<double>(sum) / c.cols;
    }
    return steps;
}

struct Profile
{
    double locked = 0; // summed grid-locked amplitude estimate, times `weight`
    double steps = 0; // summed steps
    double weight = 0; // number of steps
};

// The step between pixels x and x+1 lies at edge x+1; a grid edge at every multiple of the
// period adds to the cosine of each harmonic at its own phase, while content adds as often
// against it as with it. A pulse of height A repeating every p pixels gives each harmonic a
// coefficient of 2A/p, which is inverted here to read A.
void addProfile(const std::vector<double> &steps, double period, Profile &profile)
{
    if (steps.empty())
        return;
    double mean = 0;
    for (const double s : steps)
        mean += s;
    mean /= static_cast<double>(steps.size());
    const int harmonics = static_cast<int>(std::floor(kHighestFrequency * period));
    double coefficients = 0;
    for (int h = 1; h <= harmonics; ++h) {
        // cos(w (x + 1)) by turning a unit vector w at a time.
        const double w = 2.0 * CV_PI * h / period;
        const std::complex<double> turn = std::polar(1.0, w);
        std::complex<double> phase = turn;
        double c = 0;
        for (const double step : steps) {
            c += (step - mean) * phase.real();
            phase *= turn;
        }
        coefficients += 2.0 * c / static_cast<double>(steps.size());
    }
    const auto n = static_cast<double>(steps.size());
    profile.locked += n * period / 2.0 * coefficients / harmonics;
    profile.steps += n * mean;
    profile.weight += n;
}

} // namespace

GridSteps measureGridSteps(const cv::Mat &channel, double period)
{
    GridSteps out;
    if (!(period >= kShortestPeriod) || channel.cols < 2 || channel.rows < 2)
        return out;
    Profile profile;
    addProfile(columnSteps(channel), period, profile);
    addProfile(rowSteps(channel), period, profile);
    out.amplitude = profile.locked / profile.weight;
    const double meanStep = profile.steps / profile.weight;
    out.relative = meanStep > 0 ? out.amplitude / meanStep : 0.0;
    return out;
}

} // namespace lis::ranker
