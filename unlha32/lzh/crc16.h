// CRC-16 of LZH archives: reflected polynomial 0xA001, initial value 0, no final xor.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mv::lzh {

// Continues a CRC over more bytes; start with crc = 0.
uint16_t Crc16(uint16_t crc, const void* data, size_t size);

}  // namespace mv::lzh
