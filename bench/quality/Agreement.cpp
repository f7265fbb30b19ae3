#include "Agreement.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace lis::bench {
namespace {

// Ranks from 1, ties sharing the mean of their ranks.
std::vector<double> ranks(const std::vector<double> &v)
{
    std::vector<std::size_t> order(v.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(
        order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return v[a] < v[b]; });
    std::vector<double> r(v.size());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        while (j + 1 < order.size() && v[order[j + 1]] == v[order[i]])
            ++j;
        for (std::size_t k = i; k <= j; ++k)
            r[order[k]] = (i + j) / 2.0 + 1;
        i = j + 1;
    }
    return r;
}

} // namespace

double pearson(const std::vector<double> &a, const std::vector<double> &b)
{
    const double ma = mean(a);
    const double mb = mean(b);
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0;
}

double srocc(const std::vector<double> &a, const std::vector<double> &b)
{
    return pearson(ranks(a), ranks(b));
}

double krocc(const std::vector<double> &a, const std::vector<double> &b)
{
    double concordant = 0, discordant = 0, tiesA = 0, tiesB = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = i + 1; j < a.size(); ++j) {
            const double da = a[i] - a[j];
            const double db = b[i] - b[j];
            if (da == 0 && db == 0)
                continue;
            if (da == 0)
                ++tiesA;
            else if (db == 0)
                ++tiesB;
            else if ((da > 0) == (db > 0))
                ++concordant;
            else
                ++discordant;
        }
    const double denom
        = std::sqrt((concordant + discordant + tiesA) * (concordant + discordant + tiesB));
    return denom > 0 ? (concordant - discordant) / denom : 0;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    const auto middle = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), middle, v.end());
    return *middle;
}

double mean(const std::vector<double> &v)
{
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

} // namespace lis::bench
