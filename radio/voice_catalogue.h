#pragma once
// The voice packages (speech data files) that a configuration can name. The
// document only needs their identifiers and a remembered selection.

#include <array>
#include <cstddef>
#include <cstdint>

class VoiceCatalogue {
 public:
  using Identifier = std::array<std::uint8_t, 16>;
  virtual ~VoiceCatalogue() = default;
  virtual std::size_t Count() const = 0;
  virtual Identifier IdentifierOf(std::size_t index) const = 0;
  virtual void Select(std::size_t index) = 0;
};
