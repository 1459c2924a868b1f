#pragma once

#include <cstdint>
#include <span>

namespace unlha32 {

// CRC-16/ARC (reflected polynomial 0xA001, initial value 0, no final XOR): the checksum LZH
// uses both for member data and for the header CRC of extended header 0x00.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);

}  // namespace unlha32
