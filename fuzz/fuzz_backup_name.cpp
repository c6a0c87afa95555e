// Feeds arbitrary file names to the backup name parser: a name it takes is written back
// the same, and any model name made file-safe makes a name it takes.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "radio/backups.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const std::optional<backup::Name> name = backup::ParseName(text)) {
    if (backup::FileName(*name) != text) std::abort();
    (void)backup::TimeText(*name);
  }
  const std::string model = backup::FileSafeModel(text);
  if (!model.empty() && !backup::ParseName("20261211-140749-" + model + ".vxp")) std::abort();
  return 0;
}
