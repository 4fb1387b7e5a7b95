#include "report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>

namespace cuevoice::bench {
namespace {

struct Column {
    const char* title;
    const Figure ProcessFigures::*figure;
    // Private bytes are shown in KiB.
    unsigned long long unit;
};

constexpr std::array<Column, 5> columns = {{
    {"handles", &ProcessFigures::handles, 1},
    {"private KiB", &ProcessFigures::private_bytes, 1024},
    {"threads", &ProcessFigures::threads, 1},
    {"GDI objects", &ProcessFigures::gdi_objects, 1},
    {"USER objects", &ProcessFigures::user_objects, 1},
}};

std::string clock_text(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

std::optional<long long> value_in(const Sample& sample, const Column& column) {
    const Figure& figure = sample.figures.*(column.figure);
    if (!figure.value)
        return std::nullopt;
    return static_cast<long long>(*figure.value / column.unit);
}

void row(const std::string& name, const std::string& at, const std::vector<std::string>& cells) {
    std::printf("| %-12s | %9s |", name.c_str(), at.c_str());
    for (const std::string& cell : cells)
        std::printf(" %12s |", cell.c_str());
    std::printf("\n");
}

std::string signed_text(long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%+lld", value);
    return text;
}

// A count may show a handle or two opened for a moment; memory moves by a little all the time.
long long tolerance(const Column& column, long long middle) {
    return column.unit == 1 ? 2 : std::max(1LL, middle / 100);
}

} // namespace

void print_sample_header() {
    std::vector<std::string> titles;
    for (const Column& column : columns)
        titles.push_back(column.title);
    row("sample", "at", titles);
    row("------------", "---------", std::vector<std::string>(columns.size(), "------------"));
}

void print_sample(const Sample& sample) {
    std::vector<std::string> cells;
    for (const Column& column : columns) {
        std::optional<long long> value = value_in(sample, column);
        cells.push_back(value ? std::to_string(*value) : "n/a");
    }
    row(sample.name, clock_text(sample.seconds), cells);
}

bool print_figures(const std::vector<Sample>& samples) {
    bool measured = !samples.empty();
    print_sample_header();
    for (const Sample& sample : samples)
        print_sample(sample);
    if (samples.size() < 3)
        return false;

    // The middle sample: the one nearest to half of the last one's time.
    const Sample& first = samples.front();
    const Sample& last = samples.back();
    const Sample* middle = &samples[1];
    for (const Sample& sample : samples)
        if (std::abs(sample.seconds - last.seconds / 2) <
            std::abs(middle->seconds - last.seconds / 2))
            middle = &sample;

    std::vector<std::string> growth, second_half, rises, trend;
    for (const Column& column : columns) {
        std::optional<long long> a = value_in(first, column), m = value_in(*middle, column),
                                 z = value_in(last, column);
        std::size_t up = 0, steps = 0;
        for (std::size_t i = 1; i < samples.size(); ++i) {
            std::optional<long long> before = value_in(samples[i - 1], column);
            std::optional<long long> after = value_in(samples[i], column);
            if (!before || !after)
                continue;
            ++steps;
            if (*after > *before)
                ++up;
        }
        rises.push_back(std::to_string(up) + " of " + std::to_string(steps));
        if (!a || !m || !z) {
            growth.push_back("n/a");
            second_half.push_back("n/a");
            trend.push_back("n/a");
            continue;
        }
        growth.push_back(signed_text(*z - *a));
        second_half.push_back(signed_text(*z - *m));
        const long long early = *m - *a, late = *z - *m;
        trend.push_back(late <= tolerance(column, *m) ? "level"
                        : late * 2 < early            ? "levelling"
                                                      : "climbing");
    }
    row("growth", "", growth);
    row("2nd half", "from " + clock_text(middle->seconds), second_half);
    row("rises", "", rises);
    row("trend", "", trend);
    std::printf("(trend: \"level\" when the second half added at most 2 (1 %% of the memory), "
                "\"levelling\" when it added less than half of what the first half added, else "
                "\"climbing\")\n");

    std::printf("\nwhere the figures come from:\n");
    for (const Column& column : columns) {
        // The source as the last sample read it; a failure of any sample is named too.
        std::string source = (last.figures.*(column.figure)).source;
        for (const Sample& sample : samples) {
            const Figure& figure = sample.figures.*(column.figure);
            if (!figure.value) {
                measured = false;
                source += "; not measured at " + sample.name + ": " + figure.source;
            }
        }
        std::printf("  %-12s %s\n", column.title, source.c_str());
    }
    return measured;
}

std::string spread_text(std::vector<double> ms) {
    if (ms.empty())
        return "-";
    std::sort(ms.begin(), ms.end());
    char text[96];
    std::snprintf(text, sizeof text, "%.1f / %.1f / %.1f ms", ms[ms.size() / 2],
                  ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.back());
    return text;
}

} // namespace cuevoice::bench
