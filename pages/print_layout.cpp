#include "pages/print_layout.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace print_layout {

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const std::uint64_t magnitude = product < 0 ? static_cast<std::uint64_t>(-product) : static_cast<std::uint64_t>(product);
  const std::uint64_t divisor = denominator < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(denominator))
                                                : static_cast<std::uint64_t>(denominator);
  const std::uint64_t rounded = (magnitude + divisor / 2) / divisor;
  if (rounded > static_cast<std::uint64_t>(INT_MAX)) return -1;
  return negative ? -static_cast<int>(rounded) : static_cast<int>(rounded);
}

int PageCount(std::size_t usedRows) { return usedRows <= static_cast<std::size_t>(kRowsPerPage) ? 1 : 2; }

std::vector<int> RowsOnPage(const std::vector<int>& usedRows, int page) {
  const auto split = usedRows.begin() + std::min<std::ptrdiff_t>(kRowsPerPage, static_cast<std::ptrdiff_t>(usedRows.size()));
  if (page == 1) return {usedRows.begin(), split};
  if (page == 2) return {split, usedRows.end()};
  return {};
}

PageMetrics Metrics(int gridWidth, int characterWidth, int characterHeight, int deviceWidth, int deviceHeight) {
  PageMetrics metrics;
  metrics.characterWidth = characterWidth;
  metrics.characterHeight = characterHeight;
  metrics.deviceWidth = deviceWidth;
  metrics.deviceHeight = deviceHeight;
  metrics.logicalWidth = gridWidth + 2 * kMarginCharacters * characterWidth;
  metrics.logicalHeight = MulDiv(metrics.logicalWidth, deviceHeight, deviceWidth);
  return metrics;
}

std::string TimeStamp(std::time_t time) {
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return {};
  char text[128];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %A %H:%M ", &local);
  return std::string(text, length);
}

}  // namespace print_layout
