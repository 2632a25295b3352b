// The download: the configuration record and the rule table go to the device
// in framed packets after its "download" text command.
//
// A packet is a big-endian 16-bit length L (the whole packet), L - 4 payload
// bytes and the big-endian CRC-16 of everything before it (crc16.h). The
// device answers each packet with one byte, ACK or NAK; a NAK asks for the
// same bytes again, up to DWN_MAX_SENDS transmissions in all. The sequence is
// a "conf" header and the 904-byte record in data packets of at most 60
// payload bytes, a "rules" header and the rule records, and a "-cestfini-"
// header that ends the transfer. Headers are 21-byte packets: a 12-byte name
// and the data's byte count as up to 5 decimal digits, both zero-filled.
//
//   dwn_frame         store the length and the CRC in a packet buffer
//   dwn_build_header  a 21-byte header packet for a name and a size text
//   dwn_write_pkt     frame and send one packet, wait for its ACK
//   dwn_write_file    send a buffer as data packets
//   dwn_download      the whole sequence on the open connection
//   download_command  "download" text, dwn_download, then always disconnect
//   dwn_use_port      route the download's writes and reads elsewhere (tests)
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint8_t DWN_ACK = 0x06;
constexpr std::uint8_t DWN_NAK = 0x15;
constexpr int DWN_MAX_SENDS = 5;
constexpr int DWN_ANSWER_TIMEOUT_MS = 5000;
constexpr int DWN_MIN_PKT = 5;    // length, one payload byte, CRC
constexpr int DWN_DATA_MAX = 60;  // payload bytes in a data packet
constexpr int DWN_HEADER_LEN = 21;
constexpr int DWN_NAME_OFF = 2;
constexpr int DWN_NAME_LEN = 12;
constexpr int DWN_SIZE_OFF = 14;
constexpr int DWN_SIZE_LEN = 5;

void dwn_frame(std::uint8_t* pp, int len);
void dwn_build_header(std::uint8_t pp[DWN_HEADER_LEN], const char* name, const char* size_text);

// len when acknowledged; -1 pp null, -2 len < 5, -3 write failed, -4 no
// answer, -5 an answer that is neither ACK nor NAK, -6 NAKed every time.
int dwn_write_pkt(std::uint8_t* pp, int len);
// len when every packet was acknowledged; -1 bp null, -2 len 0, -3 a packet
// failed.
int dwn_write_file(const std::uint8_t* bp, int len);
// 0 on success; -1..-5 the configuration header, configuration data, rules
// header, rules data or finish packet failed.
int dwn_download();

void download_command();

// The download writes and reads through these; by default they are
// write_port and read_port on port_name. Passing nullptr restores them.
using dwn_write_fn = int (*)(const void* buf, int len);
using dwn_read_fn = int (*)(void* buf, int size, int timeout_ms);
void dwn_use_port(dwn_write_fn write_fn, dwn_read_fn read_fn);
