#pragma once
// The channel table as the generic CSV of the common multi-radio programming tool:
// one line per used channel, frequencies in megahertz, tones by tone mode.
//
//   Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,
//   RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE
//
// Import reads what such files hold in practice (older headers, any column order, quoting,
// CR LF, LF or CR line ends, a byte-order mark, semicolons with decimal commas, locations
// from 0, power in watts or as High/Low) and changes nothing unless every line is valid.
// A column the file lacks leaves an existing channel's value as it is. Tones follow the
// tone cells' rule (codec::ParseToneText), so every file the export writes imports again.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class AppFiles;
class CTavroPgmDoc;
struct FileError;

namespace channel_csv {

// Larger files, or files with more lines, are refused unread.
inline constexpr std::size_t kMaxSize = 1024 * 1024;
inline constexpr std::size_t kMaxLines = 10000;

struct Problem {
  int line = 0;         // from 1; 0 for the file as a whole
  std::string column;   // the column's name; empty for a whole line or the file
  std::string textKey;  // the message, from the language file
  std::string subject;  // the value as written, or what is missing
};

// The used channels of doc as CSV text, one line each after the header (LF line ends).
std::string Export(const CTavroPgmDoc& doc);

// Checks the whole text against doc's model and, only when there is no problem, stores
// its channels into doc (marking it modified when a record changed). Channels the file
// does not name are kept; a file without channel lines is a problem. Returns every
// problem found; empty when the file was applied.
std::vector<Problem> Import(CTavroPgmDoc& doc, std::string_view text);

// Whether doc has a channel in use, a line for the export.
bool HasChannelsToExport(const CTavroPgmDoc& doc);
// Export written atomically to path; false with error set when it cannot be saved, or
// when doc has no used channel (a header alone is a file no import takes).
bool ExportFile(const CTavroPgmDoc& doc, const std::filesystem::path& path, FileError& error);
// Import of a file; false with error set when it cannot be read (problems then empty).
bool ImportFile(CTavroPgmDoc& doc, const std::filesystem::path& path, std::vector<Problem>& problems,
                FileError& error);

// "Line 3, Frequency: <message> 520.000000".
std::string ProblemText(const AppFiles& files, const Problem& problem);
// One message for a failed import: a heading, the first `shown` problems one per line,
// and a count of the rest.
std::string ProblemsMessage(const AppFiles& files, const std::vector<Problem>& problems, std::size_t shown);

}  // namespace channel_csv
