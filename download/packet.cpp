// Framed packets: length, payload, CRC-16, and the ACK/NAK exchange.
#include <cstdio>
#include <cstring>

#include "crc16.h"
#include "download.h"
#include "dwn_port.h"

void dwn_frame(std::uint8_t* pp, int len) {
  pp[0] = static_cast<std::uint8_t>(len >> 8);
  pp[1] = static_cast<std::uint8_t>(len);
  const std::uint16_t crc = dwn_packet_crc(pp, static_cast<std::size_t>(len - 2));
  pp[len - 2] = static_cast<std::uint8_t>(crc >> 8);
  pp[len - 1] = static_cast<std::uint8_t>(crc);
}

int dwn_write_pkt(std::uint8_t* pp, int len) {
  if (pp == nullptr) {
    std::printf("dwn_write_pkt: argument ptr pp is null\n");
    return -1;
  }
  if (len < DWN_MIN_PKT) {
    std::printf("dwn_write_pkt: argument len < 5\n");
    return -2;
  }
  dwn_frame(pp, len);
  // A NAK is answered at once with the same bytes; whatever else the device
  // may have sent stays in the queue and shows up as the next answer.
  for (int send = 1; send <= DWN_MAX_SENDS; ++send) {
    if (dwn_port_write(pp, len) <= 0) {
      std::printf("\a\aError: writing pkt\n");
      return -3;
    }
    std::uint8_t answer = 0;
    const int n = dwn_port_read(&answer, 1, DWN_ANSWER_TIMEOUT_MS);
    if (n != 1) {
      std::printf("\a\aError: reading ack or nak: %d\n", n);
      return -4;
    }
    if (answer == DWN_ACK) return len;
    if (answer != DWN_NAK) {
      std::printf("\a\aError: reading ack or nak: got 0x%02x\n", answer);
      return -5;
    }
  }
  return -6;
}

int dwn_write_file(const std::uint8_t* bp, int len) {
  if (bp == nullptr) {
    std::printf("dwn_write_file: argument ptr bp is null\n");
    return -1;
  }
  if (len <= 0) {
    std::printf("dwn_write_file: argument len < 1\n");
    return -2;
  }
  std::uint8_t pkt[DWN_DATA_MAX + 4];
  int sent = 0;
  while (sent < len) {
    const int chunk = len - sent < DWN_DATA_MAX ? len - sent : DWN_DATA_MAX;
    std::memcpy(pkt + 2, bp + sent, static_cast<std::size_t>(chunk));
    const int r = dwn_write_pkt(pkt, chunk + 4);
    if (r != chunk + 4) {
      std::printf("\a\aError: writing data pkt: %d\n", r);
      return -3;
    }
    sent += chunk;
  }
  return sent;
}
