// Little-endian numbers at an offset of a byte vector, for tests that build or inspect files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/bytes.h"

namespace mirelo {

inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) { return Get32(b.data() + at); }
inline uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return Get16(b.data() + at); }
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { Put32(b.data() + at, v); }
inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) { Put16(b.data() + at, v); }

}  // namespace mirelo
