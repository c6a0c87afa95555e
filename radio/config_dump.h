#pragma once
// A configuration as the four pages show it, one line per control that shows a stored
// value, in a fixed order: two dumps compare line by line.
//
//   <page>.<control>          every value control of the pages (page template ids 150,
//                             151, 153, 159; control ids ascending)
//   150.<channel>.<column>    the channel table's cells, channels 1-16, columns 1-12
//   153.<set>.<control>       the signalling page's per-set fields, sets 1-4
//   153.code<n>.<column>      the signalling codes' tones, codes 1-16, columns 1-2
//
// Each line is the key, a tab and what the control shows (a list's selected entry, a
// check box's 0 or 1, an edit's text), then a tab and "disabled" when the control is
// disabled (for a cell: when it cannot be edited).
//
// Names: what a person reads for a key, from the language file (see Name).
// Raw lines: the image bits no control shows, one line per byte that has such bits,
//   raw.0x<offset>            the byte's uncovered bits as two hexadecimal digits (the bits
//                             a control shows read as 0), offsets ascending.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "radio/function_page.h"

class AppFiles;
class CTavroPgmDoc;
class LanguageTexts;
struct CalibrationField;

namespace config_dump {

struct Line {
  std::string key;
  std::string shown;
  bool disabled = false;
};

// Loading the pages' states normalises the image as the pages do (the message's end byte,
// the scan type without scan members): dump a copy that is not saved afterwards.
std::vector<Line> Lines(CTavroPgmDoc& doc, const AppFiles& files, const function_page::SpeechLanguages& languages);
// "<key>\t<shown>", or with a name "<key>\t<name>\t<shown>"; then "\tdisabled" for a
// disabled control.
std::string Format(const Line& line, std::optional<std::string_view> name = std::nullopt);

// The caption a person reads for a line's key, unique within a dump:
//   <page>.<control>      the control's caption ("^<id>" of section "Resource", else the
//                         template's text): a check box's own text, otherwise the label or
//                         group box just before the control in its page template; where two
//                         controls of a page have the same label text in the template, the
//                         group box around the control comes first ("Decode 1 / Call Format").
//   150.<channel>.<col>   "CH 3 / RX Freq [MHz]": header IDS_COL0 and the channel number,
//                         then header IDS_COL<col> (section "Face").
//   153.<set>.<control>   the set's tab text ("IDS_TONE<set>"), then the control's caption.
//   153.code<n>.<col>     the code grid's headers: "Code 5 / 1st Tone [Hz]".
//   raw.0x<offset>        the key itself.
// A key of none of these forms, or one whose caption is empty, is its own name.
std::string Name(const Line& line, const LanguageTexts& texts);
// The same for a key alone.
std::string NameOf(const std::string& key, const LanguageTexts& texts);

// The keys of a channel cell, a signal set's field and a signal code's tone.
std::string CellKey(int channel, int column);
std::string SetFieldKey(int set, int control);
std::string CodeToneKey(int code, int column);

// The caption of an item of the calibration table, as the table's label shows it; also the
// name of the raw byte that holds it.
std::string CalibrationItemName(const CalibrationField& field, const LanguageTexts& texts);

// The message for a text an entry refused: the text of `refusedKey`, the entry as Name
// names `key` with the text, then `rule` (what the entry takes).
std::string RefusedEntryMessage(const LanguageTexts& texts, std::string_view refusedKey, const std::string& key,
                                std::string_view text, const std::string& rule);

// The bits of image byte `offset` that a dumped control shows: the image map's fields
// that the pages read (channel records, signal codes and sets, message, band edges and
// model identifier, DTMF codes, the single-byte settings and the option bits the pages
// use). 0 for an offset outside the image.
std::uint8_t ShownBits(std::size_t offset);
// Raw lines of the image bytes that have bits no control shows.
std::vector<Line> RawLines(const CTavroPgmDoc& doc);

// The dump and its raw lines, as two configurations are compared, of a copy of doc: doc
// itself stays as it is (the desktop program compares the document it is editing).
std::vector<Line> ComparedLines(const CTavroPgmDoc& doc, const function_page::SpeechLanguages& languages);

// A key whose shown text differs between two dumps; a key one dump lacks has an empty text.
struct Difference {
  std::string key;
  std::string first;
  std::string second;
};
// The differing keys in the first dump's order, then keys only the second has. Only the
// shown texts are compared: a control disabled in one dump follows from another difference.
std::vector<Difference> Compare(const std::vector<Line>& first, const std::vector<Line>& second);
// "<key>\t<name>\t<first text>\t<second text>".
std::string FormatDifference(const Difference& difference, const LanguageTexts& texts);

}  // namespace config_dump
