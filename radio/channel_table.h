#pragma once
// The channel table as the channel page shows it: 13 columns of cell texts per
// channel, the choices of the option columns, and storing a chosen option.

#include <array>
#include <cstddef>
#include <string_view>
#include <string>
#include <vector>

#include "radio/page_state.h"

class AppFiles;
class CTavroPgmDoc;
class Prompter;

namespace channel_table {

enum Column {
  kNumber = 0,
  kReceiveFrequency = 1,
  kReceiveTone = 2,
  kSignalSet = 3,
  kTransmitFrequency = 4,
  kTransmitTone = 5,
  kSignalCode = 6,
  kOption = 7,
  kScan = 8,
  kBusyLockout = 9,
  kPower = 10,
  kOnOff = 11,
  kBandwidth = 12,
};
inline constexpr int kColumnCount = 13;
using Row = std::array<std::string, kColumnCount>;

// Column headers, keys "IDS_COL0" to "IDS_COL12" of section "Face".
Row HeaderTexts(const AppFiles& files);
// The text of one cell of a used channel's row, as its field stands in the image.
std::string CellText(const CTavroPgmDoc& doc, int channel, int column);
// A whole row as displayed: the channel number; for an unused channel nothing else;
// no transmit tone without a transmit frequency.
Row RowTexts(const CTavroPgmDoc& doc, int channel);

// Whether a cell can be edited: the receive frequency always; the other cells of a used
// channel, except the transmit tone of a channel without a transmit frequency.
bool IsCellEditable(const CTavroPgmDoc& doc, int channel, int column);

// The model selector (control 1237): the model names of the settings file, the
// document's model selected.
inline constexpr int kModelSelectorId = 1237;
page_state::Control ModelSelector(const CTavroPgmDoc& doc, const AppFiles& files);

// The choices an option column (3, 6 to 12) offers, in order.
std::vector<std::string> Choices(const AppFiles& files, int column);
// Stores choice `index` of an option column; marks the document modified when a
// byte changed. The scan column then also counts the scan members.
void StoreChoice(CTavroPgmDoc& doc, int channel, int column, int index);

// What the frequency editor holds at most.
inline constexpr std::size_t kFrequencyTextLimit = 10;

// Stores the text of a cell as ending its edit does: a frequency after the band check
// (its encoding checks the raster), with their questions to the prompter; a tone, also
// into an equal transmit tone; an option column's choice of that text (case ignored).
// False, with nothing changed, for a tone the tone rule refuses or an option text that is
// no choice.
bool StoreCellText(CTavroPgmDoc& doc, Prompter& prompter, int channel, int column, std::string_view text);

// Whether a cell takes the text (case ignored): a frequency of digits with at most one
// point and at most 10 characters, or empty; a tone the tone rule takes
// (codec::ParseToneText: the "none" text, a DCS code, a CTCSS tone from 67.0 to 254.1 Hz);
// one of an option column's choices.
bool AcceptsText(const AppFiles& files, int column, std::string_view text);

// The message for a tone cell's text that the tone rule refuses: "IDS_TONE_REFUSED", the
// cell as the dump names it with the text, and what a tone cell takes.
std::string ToneRefusedMessage(const AppFiles& files, int channel, int column, std::string_view text);

// Cell texts as spreadsheets copy them: lines (LF or CR LF) of tab-separated cells, each
// trimmed. A line end at the very end ends the last row and starts none.
using CellBlock = std::vector<std::vector<std::string>>;
CellBlock ParseCellBlock(std::string_view text);

// A cell of a pasted block that is refused; channel 0 when the block reaches beyond the
// last channel or column.
struct PasteProblem {
  int channel = 0;
  int column = 0;
  std::string text;
};
// The problems of pasting a block with its first cell at (channel, column).
std::vector<PasteProblem> CheckPaste(const AppFiles& files, int channel, int column, const CellBlock& cells);
// "IDS_PASTE_REFUSED", then one line per problem, the cell named as the dump names it
// ("CH 3 / RX Freq [MHz]: 99x"), at most `shown` of them; when a tone cell is among them,
// what a tone cell takes.
std::string PasteProblemsMessage(const AppFiles& files, const std::vector<PasteProblem>& problems, std::size_t shown);
// Pastes a block that CheckPaste found no problem in: row by row, each from left to right,
// every cell as typing it stores it, so that a row pasted into a free channel fills it.
// Empty tone and option cells, and cells that cannot be edited when their turn comes (a
// free channel's, a transmit tone without a transmit frequency), are left alone.
void Paste(CTavroPgmDoc& doc, Prompter& prompter, int channel, int column, const CellBlock& cells);

}  // namespace channel_table
