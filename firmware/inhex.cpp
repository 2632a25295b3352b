// Intel HEX record checks. Every check looks only at characters the line
// holds: a record too short for its type field is left to the length check.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "firmware.h"
#include "hex_line.h"
#include "input_file.h"

namespace {

constexpr unsigned MAX_RECORD_DATA = 128;
constexpr std::size_t TYPE_END = 9;  // the type field fills positions 7 and 8

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// The check of one record line (without its newline); 0 when it is good.
int inhex_check_record(const char* line, std::size_t len, unsigned long line_no) {
  const unsigned sum = inhex_sum(line + 1);
  if (sum != 0) {
    std::printf("\a\aError: checksum mismatch (0x%02x) for line %lu in Firmware file!\n", sum,
                line_no);
    return -2;
  }
  if (len >= TYPE_END && (line[7] != '0' || line[8] < '0' || line[8] > '5')) {
    std::printf("\a\aError: invalid type (%c%c) for line %lu in Firmware file!\n", line[7], line[8],
                line_no);
    return -3;
  }
  const int avail = len > 3 ? 2 : static_cast<int>(len) - 1;
  const unsigned data_len = static_cast<unsigned short>(hex_to_int(line + 1, avail));
  if (static_cast<long>(len) - 11 != 2 * static_cast<long>(data_len)) {
    std::printf("\a\aError: invalid record length (%u) for line %lu in Firmware file!\n", data_len,
                line_no);
    return -4;
  }
  if (data_len > MAX_RECORD_DATA) {
    std::printf("\a\aError: record length > 128 (%u) for line %lu in Firmware file!\n", data_len,
                line_no);
    return -5;
  }
  // Data records must start on a 4-byte boundary: offsets end in 0, 4, 8 or C.
  if (line[7] == '0' && line[8] == '0' && std::strchr("048Cc", line[6]) == nullptr) {
    std::printf("\a\aError: data record offset boundary error for line %lu in Firmware file!\n",
                line_no);
    return -6;
  }
  return 0;
}

int hex_to_int(const char* str, int len) {
  if (str == nullptr || len < 1) return 0;
  int i = 0;
  while (i < len && is_blank(str[i])) ++i;
  bool negative = false;
  if (i < len && (str[i] == '+' || str[i] == '-')) negative = str[i++] == '-';
  while (i < len && is_blank(str[i])) ++i;
  unsigned value = 0;  // unsigned: a long run of digits wraps instead of overflowing
  for (; i < len; ++i) {
    const int d = hex_digit(str[i]);
    if (d < 0) break;
    value = value * 16 + static_cast<unsigned>(d);
  }
  return static_cast<int>(negative ? 0u - value : value);
}

unsigned char inhex_sum(const char* str) {
  unsigned char sum = 0;
  if (str == nullptr) return sum;
  for (const char* p = str; *p != '\0'; p += 2) {
    const bool last_alone = p[1] == '\0';
    sum = static_cast<unsigned char>(sum + hex_to_int(p, last_alone ? 1 : 2));
    if (last_alone) break;
  }
  return sum;
}

int inhexverify(std::FILE* fp) {
  if (fp == nullptr) {
    std::printf("inhexverify: Error: param fp is invalid\n");
    return -1;
  }
  std::rewind(fp);
  unsigned long line_no = 0;
  int records = 0;
  char line[HEX_LINE_SIZE];
  while (read_text_line(fp, line, sizeof line) > 0) {
    ++line_no;
    const std::size_t len = hex_strip_newline(line);
    if (line[0] != ':') continue;
    ++records;
    const int fault = inhex_check_record(line, len, line_no);
    if (fault != 0) return fault;
  }
  // A read that fails part-way must not pass for the end of a shorter file.
  if (std::ferror(fp)) {
    std::printf("\a\aError: cannot read the Firmware file: %s\n", std::strerror(errno));
    return -8;
  }
  if (line_no == 0 || records == 0) {
    std::printf("\a\aError: Firmware file is empty!\n");
    return -7;
  }
  return records;
}
