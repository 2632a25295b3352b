// The CRC-16 that protects every download packet.
//
// Generator x^16 + x^12 + x^5 + 1 (0x1021), most significant bit first, in the
// shift-in form: each message byte enters the low end of the register and the
// table entry cancels the byte that leaves the high end. Started from 0xFFFF
// and run over a packet whose last two bytes are zero, the register ends as
// the packet's CRC; run over a finished packet it ends at 0. The table is
// computed by the compiler from the generator.
//
//   crc_table       remainder of i * x^16 for each byte value i
//   crc16           register after len bytes of data, starting from init
//   dwn_packet_crc  the CRC a packet stores behind its first n bytes
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

constexpr std::uint16_t CRC_POLY = 0x1021;
constexpr std::uint16_t CRC_INIT = 0xFFFF;

constexpr std::array<std::uint16_t, 256> make_crc_table() {
  std::array<std::uint16_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = i << 8;
    for (int bit = 0; bit < 8; ++bit) r = (r & 0x8000) ? (r << 1) ^ CRC_POLY : r << 1;
    t[i] = static_cast<std::uint16_t>(r);
  }
  return t;
}

inline constexpr std::array<std::uint16_t, 256> crc_table = make_crc_table();

static_assert(crc_table[0] == 0x0000 && crc_table[1] == 0x1021 && crc_table[2] == 0x2042 &&
              crc_table[3] == 0x3063 && crc_table[4] == 0x4084 && crc_table[5] == 0x50A5 &&
              crc_table[6] == 0x60C6 && crc_table[7] == 0x70E7);

constexpr std::uint16_t crc16(std::uint16_t init, const std::uint8_t* data, std::size_t len) {
  std::uint16_t reg = init;
  for (std::size_t i = 0; i < len; ++i)
    reg = static_cast<std::uint16_t>(crc_table[reg >> 8] ^ (((reg << 8) & 0xFF00) | data[i]));
  return reg;
}

// Equal to crc16(CRC_INIT, ...) over the n bytes followed by two zero bytes,
// without needing room for them.
constexpr std::uint16_t dwn_packet_crc(const std::uint8_t* p, std::size_t n) {
  constexpr std::uint8_t zeros[2] = {0, 0};
  return crc16(crc16(CRC_INIT, p, n), zeros, 2);
}
