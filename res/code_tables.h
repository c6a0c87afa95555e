#pragma once
#include <span>

// Raw bytes of a built-in code table resource (ids 140-146): 8-byte records,
// each a code text in ASCII padded with NUL bytes. Empty for an unknown id.
std::span<const unsigned char> CodeTableResource(int id);
