// Feeds arbitrary text to the readers of /etc/group and /etc/passwd, and checks that what
// they give back is a well-formed entry of the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/port_survey.h"

namespace {

// A field of an entry is never empty and never holds a field separator or a line end.
bool CleanField(std::string_view field, std::string_view separators = ":\n") {
  return !field.empty() && field.find_first_of(separators) == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const port_survey::GroupEntry& group : port_survey::ParseGroupFile(input)) {
    if (!CleanField(group.name) || input.find(group.name) == std::string_view::npos) std::abort();
    for (const std::string& member : group.members)
      if (!CleanField(member, ":\n,")) std::abort();
  }
  for (const port_survey::PasswdEntry& user : port_survey::ParsePasswdFile(input))
    if (!CleanField(user.name) || input.find(user.name) == std::string_view::npos) std::abort();
  return 0;
}
