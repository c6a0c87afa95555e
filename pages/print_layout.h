#pragma once
// The arithmetic of the channel table printout, apart from any printer: the pages the
// used rows fill, and the logical page that maps the grid's screen pixels, with a
// margin of four characters on either side, onto the printable width.

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

namespace print_layout {

inline constexpr int kRowsPerPage = 30;
// The highest grid row that is looked at for used channels.
inline constexpr int kLastPrintedRow = 50;
// Margin left and right, in character widths.
inline constexpr int kMarginCharacters = 4;
// The text whose width, divided by its length, is the print font's character width.
inline constexpr char kMeasureText[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr int kMeasureTextLength = sizeof kMeasureText - 1;
// Pixel heights of the print font when measuring and when printing.
inline constexpr int kMeasureFontHeight = 9;
inline constexpr int kPageFontHeight = 11;

// number × numerator / denominator with a 64-bit product, rounded to the nearest
// integer (halves away from zero); -1 when the denominator is 0 or the result does not
// fit an int.
int MulDiv(int number, int numerator, int denominator);

// One page up to 30 used rows, two pages above.
int PageCount(std::size_t usedRows);

// The used rows that page 1 or 2 shows: the first 30, then the rest.
std::vector<int> RowsOnPage(const std::vector<int>& usedRows, int page);

struct PageMetrics {
  int characterWidth = 0;
  int characterHeight = 0;
  int deviceWidth = 0;   // printable area in device pixels
  int deviceHeight = 0;
  int logicalWidth = 0;  // the grid's width plus both margins
  int logicalHeight = 0; // the same scale vertically

  int Margin() const { return kMarginCharacters * characterWidth; }
  // Width left for the table between the margins.
  int ContentWidth() const { return logicalWidth - 2 * Margin(); }
};

// The logical page for a grid `gridWidth` screen pixels wide on a printable area of
// deviceWidth × deviceHeight pixels, with the print font's character size.
PageMetrics Metrics(int gridWidth, int characterWidth, int characterHeight, int deviceWidth, int deviceHeight);

// "%Y-%m-%d %A %H:%M " of `time` in local time; empty when it cannot be formatted.
std::string TimeStamp(std::time_t time);

}  // namespace print_layout
