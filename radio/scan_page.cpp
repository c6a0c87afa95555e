#include "radio/scan_page.h"

#include <algorithm>
#include <string>
#include <vector>

#include "radio/document.h"
#include "radio/entry_codecs.h"
#include "settings/app_files.h"

namespace scan_page {
namespace {

namespace sp = image::scan_and_ptt_id;
using page_state::Controls;

// A DTMF timing byte, its edit and up-down control, its range in stored units, what an
// out-of-range byte shows, and the shown value of one stored unit (milliseconds or digits).
struct Timing {
  int editId;
  int spinnerId;
  std::size_t offset;
  int min;
  int max;
  int substitute;
  int unit;
};
constexpr std::array<Timing, 4> kTimings{{
    {id::kDtmfSpeed, id::kDtmfSpeedSpinner, image::kDtmfSpeed, 5, 15, 5, 1},
    {id::kFirstDigitTime, id::kFirstDigitTimeSpinner, image::kDtmfFirstDigitTime, 0, 20, 0, 50},
    {id::kFirstDigitDelay, id::kFirstDigitDelaySpinner, image::kDtmfFirstDigitDelay, 2, 20, 2, 50},
    {id::kStarHashTime, id::kStarHashTimeSpinner, image::kDtmfStarHashTime, 0, 20, 0, 50},
}};

// A check box and its bit.
struct Switch {
  int id;
  std::size_t offset;
  std::uint8_t bit;
};
constexpr std::array<Switch, 4> kSwitches{{
    {id::kVoxTone, image::kKeyAndVox, image::key_and_vox::kVoxTone},
    {id::kVoxCancel, image::kKeyAndVox, image::key_and_vox::kVoxCancel},
    {id::kVoxCheckEarphone, image::kKeyAndVox, image::key_and_vox::kVoxCheckEarphone},
    {id::kSideTone, image::kOptions, image::options::kDtmfSideTone},
}};

// The tenths-of-a-second lists: dropout delay and transmit dwell (1.0 to 10.0 s), VOX delay (0.3 to 3.0 s).
constexpr int kDelayMin = 10;
constexpr int kDelayMax = 100;
constexpr int kDelayStep = 10;
constexpr int kDelaySubstitute = 50;
constexpr int kVoxDelayMin = 3;
constexpr int kVoxDelayMax = 30;
constexpr int kVoxGainMin = 1;
constexpr int kVoxGainMax = 5;
constexpr int kVoxGainSubstitute = 2;

// The D key setting: stored as 10 x k, k = 0 to 16.
constexpr int kDKeyUnit = 10;
constexpr int kDKeyMax = 16;

// PTT ID mode values stored for the list's entries 0 to 2; a stored 0 shows entry 4.
constexpr std::array<std::uint8_t, 3> kPttIdModes{2, 1, 3};
constexpr int kPttIdZeroEntry = 4;

// The scan type entries: both bits (0), the low bit alone (1), neither (2).
constexpr int kScanTypeCount = 3;
constexpr int kRevertModes = 6;
constexpr int kRevertEntriesWithoutPriority = 4;

std::vector<std::string> NumberEntries(int first, int last) {
  std::vector<std::string> entries;
  for (int value = first; value <= last; ++value) entries.push_back(std::to_string(value));
  return entries;
}

std::vector<std::string> TenthsEntries(int first, int last, int step) {
  std::vector<std::string> entries;
  for (int value = first; value <= last; value += step) {
    entries.push_back(std::to_string(value / 10) + "." + std::to_string(value % 10));
  }
  return entries;
}

int ScanTypeIndex(const CTavroPgmDoc& doc) {
  const std::uint8_t byte = doc.At(image::kScanAndPttId);
  if (byte & sp::kScanTypeHigh) return 0;
  return byte & sp::kScanTypeLow ? 1 : 2;
}

bool HasPriorityChannel(const CTavroPgmDoc& doc) {
  const int channel = doc.At(image::kPriorityChannel);
  return channel >= 1 && channel <= image::kChannelCount;
}

int ShownTiming(const CTavroPgmDoc& doc, const Timing& timing) {
  const int value = doc.At(timing.offset);
  return value < timing.min || value > timing.max ? timing.substitute : value;
}

int ShownDelay(const CTavroPgmDoc& doc, std::size_t offset) {
  const int value = doc.At(offset);
  return value < kDelayMin || value > kDelayMax ? kDelaySubstitute : value;
}

int DKey(const CTavroPgmDoc& doc) {
  const int value = doc.At(image::kDtmfDKeySetting);
  return value < kDKeyUnit || value > kDKeyUnit * kDKeyMax ? 0 : value / kDKeyUnit;
}

std::string DKeyText(int k, const LanguageTexts& texts) {
  return k == 0 ? texts.GetText("IDS_DKEY") : std::to_string(k) + texts.GetText("IDS_SECOND");
}

int PttIdEntry(const CTavroPgmDoc& doc) {
  const int mode = doc.At(image::kScanAndPttId) & sp::kPttIdMode;
  if (mode == 0) return kPttIdZeroEntry;
  return static_cast<int>(std::find(kPttIdModes.begin(), kPttIdModes.end(), mode) - kPttIdModes.begin());
}

// The revert channel modes offered: all six with a priority channel, else without modes 3 and 4.
std::vector<std::string> RevertEntries(const LanguageTexts& texts, bool priority) {
  std::vector<std::string> entries;
  for (int key = 0; key < kRevertModes; ++key) {
    if (!priority && (key == 2 || key == 3)) continue;
    std::string text = texts.OptionText("REVERTCH", key);
    entries.push_back(text.empty() ? "mode " + std::to_string(key + 1) : std::move(text));
  }
  return entries;
}

int RevertSelection(const CTavroPgmDoc& doc, bool priority) {
  const int mode = doc.At(image::kRevertChannelMode);
  if (mode >= kRevertModes) return 1;
  if (priority) return mode;
  if (mode <= 1) return mode;
  return mode >= 4 ? mode - 2 : page_state::kNoSelection;
}

std::size_t PttIdOffset(int editId) { return editId == id::kBotPttId ? image::kPttIdBegin : image::kPttIdEnd; }

}  // namespace

Controls State(CTavroPgmDoc& doc, const AppFiles& files) { return State(doc, files.Texts()); }

Controls State(CTavroPgmDoc& doc, const LanguageTexts& texts) {
  // The scan enabling rule: counting the members first, as it may force the scan type.
  const bool scanning = doc.CountScanChannels();
  const int scanType = ScanTypeIndex(doc);
  const bool scanSettings = scanning && scanType != 0;
  const bool priority = HasPriorityChannel(doc);

  Controls controls;
  controls.push_back(page_state::Caption(id::kScanGroup, scanning));
  controls.push_back(page_state::Caption(id::kScanTypeLabel, scanning));
  controls.push_back(page_state::List(id::kScanType, texts.OptionList("SCANTYPE"), scanType, scanning));
  for (int label : {id::kRevertChannelLabel, id::kPriorityLabel, id::kPriorityChannelLabel, id::kDropoutDelayLabel,
                    id::kTransmitDwellLabel}) {
    controls.push_back(page_state::Caption(label, scanSettings));
  }
  controls.push_back(page_state::List(id::kRevertChannel, RevertEntries(texts, priority),
                                      RevertSelection(doc, priority), scanSettings));
  controls.push_back(page_state::List(id::kPriority, texts.OptionList("PRIORITY"), priority ? 1 : 0, scanSettings));
  controls.push_back(page_state::List(id::kPriorityChannel, NumberEntries(1, image::kChannelCount),
                                      doc.At(image::kPriorityChannel) - 1, scanSettings && priority));
  for (const auto& [listId, offset] :
       {std::pair{id::kDropoutDelay, image::kDropoutDelay}, std::pair{id::kTransmitDwell, image::kTransmitDwell}}) {
    controls.push_back(page_state::List(listId, TenthsEntries(kDelayMin, kDelayMax, kDelayStep),
                                        ShownDelay(doc, offset) / kDelayStep - 1, scanSettings));
  }

  for (const Switch& check : kSwitches) {
    controls.push_back(page_state::Check(check.id, (doc.At(check.offset) & check.bit) != 0));
  }
  const int gain = doc.At(image::kVoxGain);
  controls.push_back(
      page_state::List(id::kVoxGain, NumberEntries(kVoxGainMin, kVoxGainMax),
                       (gain < kVoxGainMin || gain > kVoxGainMax ? kVoxGainSubstitute : gain) - kVoxGainMin));
  const int voxDelay = doc.At(image::kVoxDelay);
  controls.push_back(
      page_state::List(id::kVoxDelay, TenthsEntries(kVoxDelayMin, kVoxDelayMax, 1),
                       (voxDelay < kVoxDelayMin || voxDelay > kVoxDelayMax ? kVoxDelayMax : voxDelay) - kVoxDelayMin));

  for (const Timing& timing : kTimings) {
    controls.push_back(page_state::Text(timing.editId, std::to_string(ShownTiming(doc, timing) * timing.unit)));
  }
  controls.push_back(page_state::Text(id::kDKey, DKeyText(DKey(doc), texts)));

  controls.push_back(page_state::List(id::kPttIdMode, texts.OptionList("PTTID"), PttIdEntry(doc)));
  for (int editId : kPttIdEditIds) {
    const auto code = doc.Image().subspan(PttIdOffset(editId)).first<image::kDtmfCodeSize>();
    controls.push_back(page_state::Text(editId, entry::DtmfText(code)));
  }
  return controls;
}

std::optional<PromptRequest> StoreListPick(CTavroPgmDoc& doc, int listId, int index) {
  if (index < 0) return std::nullopt;
  const auto store = [&doc](std::size_t offset, int value) {
    doc.At(offset) = static_cast<std::uint8_t>(value);
    doc.SetModifiedFlag();
  };
  switch (listId) {
    case id::kScanType: {
      if (index >= kScanTypeCount) break;
      constexpr std::array<std::uint8_t, kScanTypeCount> kBits{sp::kScanType, sp::kScanTypeLow, 0};
      std::uint8_t& byte = doc.At(image::kScanAndPttId);
      byte = image::WithField(byte, sp::kScanType, kBits[static_cast<std::size_t>(index)]);
      doc.SetModifiedFlag();
      break;
    }
    case id::kPriority: {
      if (index == 0) {
        store(image::kPriorityChannel, 0);
        break;
      }
      const int channel = doc.At(image::kPriorityChannel);
      if (!HasPriorityChannel(doc) || !doc.IsChannelUsed(channel)) {
        // The lowest used channel; with none used the field keeps its value.
        for (int used = 1; used <= image::kChannelCount; ++used) {
          if (doc.IsChannelUsed(used)) {
            doc.At(image::kPriorityChannel) = static_cast<std::uint8_t>(used);
            break;
          }
        }
      }
      doc.SetModifiedFlag();
      break;
    }
    case id::kPriorityChannel: {
      if (index >= image::kChannelCount) break;
      doc.SetModifiedFlag();
      if (!doc.IsChannelUsed(index + 1)) return kFreeChannelRefused;
      store(image::kPriorityChannel, index + 1);
      break;
    }
    case id::kRevertChannel: {
      const bool priority = HasPriorityChannel(doc);
      if (index >= (priority ? kRevertModes : kRevertEntriesWithoutPriority)) break;
      // Without a priority channel the third and fourth entries are modes 5 and 6.
      store(image::kRevertChannelMode, !priority && index > 1 ? index + 2 : index);
      break;
    }
    case id::kDropoutDelay:
    case id::kTransmitDwell:
      if (index < (kDelayMax - kDelayMin) / kDelayStep + 1) {
        store(listId == id::kDropoutDelay ? image::kDropoutDelay : image::kTransmitDwell,
              kDelayStep * index + kDelayMin);
      }
      break;
    case id::kVoxGain:
      if (index <= kVoxGainMax - kVoxGainMin) store(image::kVoxGain, index + kVoxGainMin);
      break;
    case id::kVoxDelay:
      if (index <= kVoxDelayMax - kVoxDelayMin) store(image::kVoxDelay, index + kVoxDelayMin);
      break;
    case id::kPttIdMode:
      if (index < static_cast<int>(kPttIdModes.size())) {
        std::uint8_t& byte = doc.At(image::kScanAndPttId);
        byte = image::WithField(byte, sp::kPttIdMode, kPttIdModes[static_cast<std::size_t>(index)]);
        doc.SetModifiedFlag();
      }
      break;
    default: break;
  }
  return std::nullopt;
}

void StoreCheck(CTavroPgmDoc& doc, int checkId, bool checked) {
  const auto found = std::find_if(kSwitches.begin(), kSwitches.end(), [&](const Switch& s) { return s.id == checkId; });
  if (found == kSwitches.end()) return;
  doc.At(found->offset) = image::WithBits(doc.At(found->offset), found->bit, checked);
  doc.SetModifiedFlag();
}

void Step(CTavroPgmDoc& doc, int spinnerId, int direction) {
  const int step = direction > 0 ? 1 : -1;
  if (spinnerId == id::kDKeySpinner) {
    // Cyclic: up from 16 gives 0, down from 0 gives 16.
    const int k = (DKey(doc) + step + kDKeyMax + 1) % (kDKeyMax + 1);
    doc.At(image::kDtmfDKeySetting) = static_cast<std::uint8_t>(kDKeyUnit * k);
    doc.SetModifiedFlag();
    return;
  }
  const auto found = std::find_if(kTimings.begin(), kTimings.end(),
                                  [&](const Timing& timing) { return timing.spinnerId == spinnerId; });
  if (found == kTimings.end()) return;
  doc.At(found->offset) =
      static_cast<std::uint8_t>(std::clamp(ShownTiming(doc, *found) + step, found->min, found->max));
  doc.SetModifiedFlag();
}

bool StorePttId(CTavroPgmDoc& doc, int editId, std::string_view text) {
  if (editId != id::kBotPttId && editId != id::kEotPttId) return false;
  if (!entry::StoreDtmfText(text, doc.Image().subspan(PttIdOffset(editId)).first<image::kDtmfCodeSize>())) return false;
  doc.SetModifiedFlag();
  return true;
}

}  // namespace scan_page
