#pragma once
// The long-set benchmark's tables: the process's figures over the set, and spreads of times.
#include <cstddef>
#include <string>
#include <vector>

#include "process_figures.h"

namespace cuevoice::bench {

struct Sample {
    std::string name;
    // Seconds since the load began (0 for the start).
    double seconds = 0;
    ProcessFigures figures;
};

// One row of the figures table, for printing each sample as it is taken.
void print_sample(const Sample& sample);
void print_sample_header();

// The whole table, growth, trend, and where each figure came from. False when a figure of
// some sample could not be read.
bool print_figures(const std::vector<Sample>& samples);

// "p50 / p99 / max" of a list of milliseconds, "-" for none.
std::string spread_text(std::vector<double> ms);

} // namespace cuevoice::bench
