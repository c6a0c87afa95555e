#include "sim/sim_options.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string_view>
#include <type_traits>

#include "radio/image_map.h"

namespace sim {
namespace {

constexpr std::uint8_t kFirstGenerationVersion = 0x10;
constexpr std::uint8_t kSecondGenerationVersion = 0x20;
constexpr int kLongestReplyDelayMs = 600000;

bool HexDigit(char c, std::uint8_t& value) {
  if (c >= '0' && c <= '9') value = static_cast<std::uint8_t>(c - '0');
  else if (c >= 'a' && c <= 'f') value = static_cast<std::uint8_t>(c - 'a' + 10);
  else if (c >= 'A' && c <= 'F') value = static_cast<std::uint8_t>(c - 'A' + 10);
  else return false;
  return true;
}

std::optional<std::array<std::uint8_t, 8>> ParseHex16(std::string_view text) {
  if (text.size() != 16) return std::nullopt;
  std::array<std::uint8_t, 8> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::uint8_t high = 0, low = 0;
    if (!HexDigit(text[2 * i], high) || !HexDigit(text[2 * i + 1], low)) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return bytes;
}

std::optional<std::uint8_t> ParseHexByte(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty() || text.size() > 2) return std::nullopt;
  std::uint8_t value = 0;
  for (char c : text) {
    std::uint8_t digit = 0;
    if (!HexDigit(c, digit)) return std::nullopt;
    value = static_cast<std::uint8_t>(value << 4 | digit);
  }
  return value;
}

template <typename Number>
std::optional<Number> ParseDecimal(std::string_view text) {
  Number value{};
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || status != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if constexpr (std::is_signed_v<Number>) {
    if (value < 0) return std::nullopt;
  }
  return value;
}

// Applies one --fault value; false when it names no fault.
bool AddFault(std::string_view fault, SimOptions& options) {
  Faults& faults = options.faults;
  if (fault == "no-handshake") return faults.noHandshake = true;
  if (fault == "short-id") return faults.shortId = true;
  if (fault == "no-version") return faults.noVersion = true;
  if (fault == "mute-in-test") return faults.muteInTest = true;
  const std::size_t colon = fault.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view name = fault.substr(0, colon);
  const std::string_view number = fault.substr(colon + 1);
  if (name == "slow-reply") {
    const std::optional<int> ms = ParseDecimal<int>(number);
    if (!ms || *ms > kLongestReplyDelayMs) return false;
    options.replyDelayMs = *ms;
    return true;
  }
  const std::optional<std::uint64_t> index = ParseDecimal<std::uint64_t>(number);
  if (!index) return false;
  if (name == "short-reply") faults.shortReply.insert(*index);
  else if (name == "wrong-address") faults.wrongAddress.insert(*index);
  else if (name == "no-ack") faults.noAck.insert(*index);
  else if (name == "corrupt-write") faults.corruptWrite.insert(*index);
  else if (name == "disconnect") faults.disconnectAt = *index;
  else return false;
  return true;
}

// Reads a whole file of at most `limit` bytes; nothing when it cannot be read or is larger.
std::optional<Bytes> ReadSmallFile(const std::string& path, std::size_t limit, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  Bytes bytes;
  char chunk[4096];
  while (in && bytes.size() <= limit) {
    in.read(chunk, sizeof chunk);
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  if (bytes.size() > limit) bytes.resize(limit + 1);  // marks "too large" for the size checks
  return bytes;
}

}  // namespace

std::optional<SimOptions> SimOptions::Parse(const std::vector<std::string>& args, std::string& error) {
  SimOptions options;
  using Setter = std::function<bool(const std::string&)>;
  const std::map<std::string, Setter, std::less<>> valued = {
      {"--link", [&](const std::string& v) { options.linkPath = v; return !v.empty(); }},
      {"--image", [&](const std::string& v) { options.imagePath = v; return !v.empty(); }},
      {"--voice", [&](const std::string& v) { options.voicePath = v; return !v.empty(); }},
      {"--save", [&](const std::string& v) { options.savePath = v; return !v.empty(); }},
      {"--log", [&](const std::string& v) { options.logPath = v; return !v.empty(); }},
      {"--model-id", [&](const std::string& v) { return (options.modelId = ParseHex16(v)).has_value(); }},
      {"--band", [&](const std::string& v) { return (options.band = ParseHex16(v)).has_value(); }},
      {"--version", [&](const std::string& v) { return (options.version = ParseHexByte(v)).has_value(); }},
      {"--generation",
       [&](const std::string& v) {
         if (v != "1" && v != "2") return false;
         options.generation = v[0] - '0';
         return true;
       }},
      {"--fault", [&](const std::string& v) { return AddFault(v, options); }},
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      options.help = true;
      continue;
    }
    if (arg == "--wire-timing") {
      options.wireTiming = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto option = valued.find(name);
    if (!arg.starts_with("--") || option == valued.end()) {
      error = "unknown option " + arg + " (see --help)";
      return std::nullopt;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      error = name + " needs a value (see --help)";
      return std::nullopt;
    }
    if (!option->second(value)) {
      error = "bad value for " + name + ": '" + value + "' (see --help)";
      return std::nullopt;
    }
  }
  return options;
}

std::optional<Bytes> SimOptions::BuildMemory(std::string& error) const {
  Bytes memory(kMemorySize, image::kEmpty);
  if (!imagePath.empty()) {
    const std::optional<Bytes> file = ReadSmallFile(imagePath, kMemorySize, error);
    if (!file) return std::nullopt;
    const std::size_t size = file->size();
    if (size == kMemorySize || size == image::kSize) {
      std::copy(file->begin(), file->end(), memory.begin());
    } else if (size >= block::kVoiceId && size <= block::kSize) {
      std::copy_n(file->begin() + block::kImage, image::kSize, memory.begin());
      if (size == block::kSize) std::copy_n(file->begin() + block::kVoiceId, block::kVoiceIdSize, memory.begin() + kVoiceIdAddress);
    } else {
      error = imagePath + " has " + std::to_string(size) +
              " bytes; an image is a data file (1072 to 1088 bytes), 1024 or 32768 bytes";
      return std::nullopt;
    }
  }
  if (!voicePath.empty()) {
    const std::optional<Bytes> file = ReadSmallFile(voicePath, kMemorySize, error);
    if (!file) return std::nullopt;
    if (file->size() != kMemorySize) {
      error = voicePath + " has " + std::to_string(file->size()) + " bytes; a voice package has 32768";
      return std::nullopt;
    }
    std::copy(file->begin() + kVoiceAreaAddress, file->end(), memory.begin() + kVoiceAreaAddress);
  }
  if (band) std::copy(band->begin(), band->end(), memory.begin() + image::kBandData);
  return memory;
}

RadioSetup SimOptions::BuildSetup(const Bytes& memory) const {
  RadioSetup setup;
  std::array<std::uint8_t, 8> id = kDefaultModelId;
  const auto stored = memory.begin() + image::kModelId;
  if (modelId) {
    id = *modelId;
  } else if (!imagePath.empty() && !std::all_of(stored, stored + image::kModelIdSize, [](std::uint8_t b) { return b == image::kEmpty; })) {
    std::copy_n(stored, image::kModelIdSize, id.begin());
  }
  // The radio sends its identification last image byte first.
  std::reverse_copy(id.begin(), id.end(), setup.identification.begin());

  setup.generation = generation.value_or(version && *version < kSecondGenerationVersion ? 1 : 2);
  setup.version = version.value_or(setup.generation == 1 ? kFirstGenerationVersion : kSecondGenerationVersion);
  setup.faults = faults;
  return setup;
}

bool SaveMemory(const std::string& path, const Bytes& memory, std::string& error) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(memory.data()), static_cast<std::streamsize>(memory.size()));
    out.flush();
    if (!out) {
      error = "cannot write " + temporary;
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path;
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

std::string SimOptions::Usage() {
  return R"(Usage: corvane-radio-sim [OPTION]...
A simulated radio for the Corvane programming tool: it opens a pseudo-terminal,
prints "PTY <device path>" as the first line on standard output, and answers
there as a radio in programming mode would, until it gets SIGTERM, SIGINT or
SIGHUP, or until its standard input reaches end of file (watched only when it
is a pipe, a socket or the terminal it runs in the foreground of, so that
"< /dev/null" or "&" keep it running).
Point the tool's port at the printed device (or at --link). Like a radio, it
answers within the tool's time-outs on a busy computer too: it raises its own
scheduling priority (niceness -10) where the user may.

Options (a value may also follow as --option=VALUE):
  --link PATH         also make the symbolic link PATH to the device; an existing
                      symbolic link is replaced; removed again at the end
  --image FILE        start from FILE: a data file (1088 bytes: its image to
                      0x0000-0x03FF, its voice package identifier to 0x7FF0-0x7FFF;
                      1072 to 1087 bytes: the image only), a 1024-byte image or a
                      32768-byte memory dump
  --voice FILE        a voice package (32768 bytes): its bytes 0x0400-0x7FFF go to
                      memory 0x0400-0x7FFF
  --band HEX16        the 8 bytes at 0x0350-0x0357 (the band edges), memory order
  --model-id HEX16    the identification, 16 hex digits in memory order (the radio
                      sends them last byte first). Default: memory 0x03D0-0x03D7
                      when --image gives them (not all FF), else 3730345520564300
                      (the CV-407). It never changes memory, and writing memory
                      does not change it.
  --version HEX       the version byte answered to 'r' (default 20; 10 with
                      --generation 1)
  --generation 1|2    2 acknowledges the switch to 38400 baud, 1 leaves it
                      unanswered (default 2, or 1 when --version is below 20)
  --save FILE         write the 32768 bytes of memory to FILE at the end
  --log FILE          log every frame (format below)
  --wire-timing       send as fast as the line's speed allows: the last byte of an
                      n-byte reply goes out no earlier than n x 10 / baud seconds
                      after the reply began (replies otherwise go out at once)
  --fault FAULT       misbehave as FAULT says (repeatable; see below)
  -h, --help          show this text

Memory: 32768 bytes, all FF, then --image, --voice and --band in this order.

What the radio answers (T the tool, R the radio, bytes in hex):
  T "PROGRAM" (50 52 4F 47 52 41 4D)   R 06: programming mode. Heard at any time
                          while the radio listens at 9600 baud (at 38400 its
                          letters are ordinary bytes: its 'R' begins a read);
                          before it, all other bytes are ignored
  T 02                    R the 8 identification bytes
  T 06                    R 06
  T 72                    R the version, then 01
  T 52 hi lo n            R 57 hi lo n, then n bytes from address hi lo
  T 77 hi lo n, n bytes   stores them, R 06
  T 74 hi lo 08, 8 bytes  stores them (calibration write), R 06
  T 4B 00 00 08, then 8 data bytes d0..d7, chosen by d0 d1:
    00 80                 R 06, then listens at 38400 baud (generation 1: no answer)
    00 FF                 stores d2..d7 at 0x03EA-0x03EF (password block), R 06
    00 02                 enters test mode, R 06
    10 80 (test mode)     chooses test function d2, R 06
    80 00 (test mode)     after function 02 or 06: the working point d6 (1 low,
                          2 middle, 3 high); else the value d6 to try. R 06
    10 00 (test mode)     stores the current value in its calibration byte, R 06
    anything else         no answer
  In test mode:  T 72  R the current value, low byte first (2 bytes)
                 T 45  R 06
Addresses wrap at 32768. A frame is dropped when 500 ms pass after one of its
bytes without the next. A byte sent at another speed than the radio listens at
is noise: ignored, and it spoils a frame in progress. When the tool's side
closes the device (its last open file), the session ends: the radio leaves
programming mode and listens at 9600 baud for a handshake again.

Test functions and their calibration bytes (at working point 1 / 2 / 3):
  01 voltage 0x3E4, reads 7C       04 squelch 3 0x3E0, reads 30
  05 squelch 9 0x3E2, reads 60     0E VOX 1 0x3E5, reads 20
  0F VOX 5 0x3E6, reads 50         03 tune 0x3E7 / 0x3E8 / 0x3E9
  07 low power 0x3F0 / 0x3F2 / 0x3F4    08 high power 0x3F1 / 0x3F3 / 0x3F5
  09 CTCSS 0x3FB / 0x3F7 / 0x3FC   0A CTCSS low 0x3F6   0B CTCSS high 0x3F8
  0C DCS 0x3F9                     0D two-tone 0x3FA
Reading functions (01, 04, 05, 0E, 0F) report the fixed measurement shown; the
others report the value being tried, which starts at the stored byte.

Faults (K counts frames of that kind from 0 over the whole run):
  no-handshake        never answers "PROGRAM"
  short-id            answers 02 with the first 5 identification bytes only
  no-version          leaves the version query unanswered (not the test value)
  mute-in-test        answers the switch into test mode, then nothing until the
                      next handshake (a radio switched off during alignment)
  short-reply:K       the reply to the K-th 'R' frame is cut to its first half
  wrong-address:K     the reply to the K-th 'R' frame echoes the address plus n
                      (the next block's), with the data asked for
  no-ack:K            the K-th 'w' frame is stored but not acknowledged
  corrupt-write:K     the K-th 'w' frame is acknowledged, but the first of its bytes
                      is stored inverted (XOR FF)
  slow-reply:MS       every reply starts MS milliseconds late
  disconnect:K        at the K-th 'R' or 'w' frame (counted together) the radio
                      closes the terminal without answering or storing it (bytes
                      after it are lost), writes --save and ends

Log (--log FILE): one line per frame, written and flushed at once:
  <ms since start, 3 decimals> <RX|TX> <baud> <bytes: upper-case hex pairs, single spaces>
  for example "12.345 RX 9600 52 00 00 08". RX: a frame when it is complete
  ("PROGRAM" as one line), or bytes the radio ignored; every byte received is
  in the log exactly once, in order. TX: one reply, stamped when it starts to
  go out. baud: the speed the tool's side has set on the device at that moment.

Exit status: 0 when it ends as asked, or after a disconnect fault; 1 when the
terminal, the link, the log or --save cannot be made; 2 for a bad option or an
unusable --image or --voice file.
)";
}

}  // namespace sim
