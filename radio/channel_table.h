#pragma once
// The channel table as the channel page shows it: 13 columns of cell texts per
// channel, the choices of the option columns, and storing a chosen option.

#include <array>
#include <string>
#include <vector>

#include "radio/page_state.h"

class AppFiles;
class CTavroPgmDoc;

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

}  // namespace channel_table
