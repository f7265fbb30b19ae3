#pragma once

#include <vector>

namespace lis::bench {

// Rank agreement between two equally long series; 0 when either is constant.
double pearson(const std::vector<double> &a, const std::vector<double> &b);
double srocc(const std::vector<double> &a, const std::vector<double> &b);
double krocc(const std::vector<double> &a, const std::vector<double> &b); // Kendall's tau-b

double median(std::vector<double> v);
double mean(const std::vector<double> &v);

} // namespace lis::bench
