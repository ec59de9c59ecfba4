#pragma once

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

// What every benchmark measures with: one clock and one median.
namespace bench {

// A reading of the performance counter in seconds.
inline double CounterSeconds(int64_t counter) {
  static const double frequency = [] {
    LARGE_INTEGER value;
    ::QueryPerformanceFrequency(&value);
    return static_cast<double>(value.QuadPart);
  }();
  return static_cast<double>(counter) / frequency;
}

// The performance counter now, in seconds.
inline double NowSeconds() {
  LARGE_INTEGER value;
  ::QueryPerformanceCounter(&value);
  return CounterSeconds(value.QuadPart);
}

inline double NowMilliseconds() { return NowSeconds() * 1000.0; }

// The middle value; the mean of the two middle ones for an even count.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// The medians of |rounds| rounds of each subject's Round(), taken in turns
// after one warm-up round each, so both see the same state of the machine.
template <typename First, typename Second>
std::pair<double, double> InterleavedMedians(First& first, Second& second, int rounds) {
  first.Round();
  second.Round();
  std::vector<double> first_rounds;
  std::vector<double> second_rounds;
  for (int round = 0; round < rounds; ++round) {
    first_rounds.push_back(first.Round());
    second_rounds.push_back(second.Round());
  }
  return {Median(first_rounds), Median(second_rounds)};
}

}  // namespace bench
