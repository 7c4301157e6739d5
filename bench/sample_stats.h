#pragma once

#include <vector>

// Nearest-rank percentile (p in 0..100) of the samples; 0 for none.
double percentile(std::vector<double> samples, double p);
// The middle sample, or the mean of the two middle ones; 0 for none.
double median(std::vector<double> samples);
