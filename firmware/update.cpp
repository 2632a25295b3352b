// The firmware update: reset the device into its loader and send the file's
// record lines one at a time, each answered by one reply byte.
//
// The link runs at 19200 baud throughout. Every wait on the device is a
// bounded read; the longest are the 20-second windows for the loader's
// prompt and for the sync acknowledgement.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "firmware.h"
#include "hex_line.h"
#include "input_file.h"
#include "link.h"
#include "serial_port.h"

namespace {

constexpr long FW_BAUD = 19200;
constexpr int MAX_FW_ERRORS = 10;
constexpr int WARN_MINUTES = 5;
constexpr const char* FW_IDENT = "ZeTrVa";
constexpr const char* FW_IDENT_VERSION = "1.0";

constexpr unsigned char ENQ = 0x05;  // loader prompt after the reset
constexpr unsigned char ACK = 0x06;
constexpr unsigned char SYN = 0x16;  // sync character
constexpr unsigned char NO_START = 0x11;
constexpr unsigned char BAD_SUM = 0x12;
constexpr unsigned char NAK = 0x15;
constexpr unsigned char BUFFER_FULL = 0x17;
constexpr unsigned char FATAL = 0x18;

constexpr int REPLY_WINDOW = 20;  // bytes a two-part read can fill
constexpr std::chrono::milliseconds DRAIN_LIMIT(2000);

// The port from its first open to the end of the update. Ending the session
// closes the port and tells the operator; a failed re-open after the reset
// leaves nothing to close and nothing to tell.
class port_session {
 public:
  port_session() = default;
  port_session(const port_session&) = delete;
  port_session& operator=(const port_session&) = delete;
  ~port_session() {
    if (!open_) return;
    close_port();
    std::printf("Disconnected\n");
  }
  void opened() { open_ = true; }
  void lost() { open_ = false; }

 private:
  bool open_ = false;
};

struct two_part {
  int first;
  int second;
};

// One byte into io_buf[0], then up to 19 more behind it.
two_part read_two_part(int first_timeout, int second_timeout) {
  const int first = read_port(port_name, io_buf, 1, first_timeout);
  const int second = read_port(port_name, io_buf + 1, REPLY_WINDOW - 1, second_timeout);
  return {first, second};
}

void print_read_counts(two_part r) {
  std::printf("\nRead #1 got %d char%s\n", r.first, r.first == 1 ? "" : "s");
  std::printf("Read #2 got %d char%s:\n", r.second, r.second == 1 ? "" : "s");
}

bool window_holds(unsigned char byte, int count) {
  return std::memchr(io_buf, byte, static_cast<std::size_t>(count)) != nullptr;
}

// The whole reply window, printable bytes as themselves.
void dump_reply_window() {
  for (int i = 0; i < REPLY_WINDOW; ++i) {
    const unsigned char c = io_buf[i];
    if (c >= 0x20 && c <= 0x7E)
      std::printf("%c ", c);
    else
      std::printf("[%02x] ", c);
  }
  std::printf("\n");
}

bool send(const void* buf, int len) { return write_port(port_name, buf, len) > 0; }

// Drops whatever the device is still sending, then both queues. A device
// that never pauses would hold the drain for ever: it gives up after
// DRAIN_LIMIT, and the prompt check then reports what the device sends.
void drain() {
  const auto give_up = std::chrono::steady_clock::now() + DRAIN_LIMIT;
  while (read_port(port_name, io_buf, static_cast<int>(sizeof io_buf), 100) > 0 &&
         std::chrono::steady_clock::now() < give_up) {
  }
  purge_port(port_name);
}

// The operator's Enter. A line longer than the buffer is consumed whole so
// its tail is not read later as a command.
void wait_for_enter() {
  char* line = reinterpret_cast<char*>(io_buf);
  if (std::fgets(line, static_cast<int>(sizeof io_buf), stdin) == nullptr) return;
  if (std::strchr(line, '\n') != nullptr) return;
  for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
  }
}

void print_warning() {
  std::printf(
      "\n\a\aWARNING! The Zentrovane Firmware is about to be updated!\n"
      "This will take less than %d minutes.\n"
      "Do NOT interrupt the process once started!\n"
      "If power is interrupted during this process you may not be able\n"
      "to communicate with the Zentrovane due to firmware corruption.\n"
      "If this happens correct the power problem and restart this entire process.\n"
      "\n"
      "Type the Enter key when you are ready to continue...",
      WARN_MINUTES);
}

// A fingerprint of the file's whole contents (FNV-1a over its bytes, then
// its length), to see whether it changed since it was checked.
std::uint64_t file_fingerprint(std::FILE* fp) {
  std::rewind(fp);
  std::uint64_t hash = 0xcbf29ce484222325u;
  std::uint64_t length = 0;
  for (int c; (c = getc(fp)) != EOF; ++length)
    hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  hash = (hash ^ length) * 0x100000001b3u;
  return std::ferror(fp) ? ~hash : hash;
}

void report_changed_file() {
  std::printf("\n\a\aError: Firmware file changed after it was checked!\n");
}

// Reset, prompt, sync and identification: 0 when the loader is ready for
// records. The port is open on entry and on return, except after a failed
// re-open (-5), which leaves it closed. The operator may take any time over
// the Enter: a file changed meanwhile is refused before the device is reset.
int start_loader(port_session& session, std::FILE* fp, std::uint64_t checked) {
  static const unsigned char interrupt[] = {0x03, 0x0A};
  if (!send(interrupt, sizeof interrupt)) {
    std::printf("\n\a\aError: wrote interrupt character, got error on port %s\n", port_name);
    return -7;
  }
  drain();
  print_warning();
  wait_for_enter();
  if (file_fingerprint(fp) != checked) {
    report_changed_file();
    return -15;
  }

  std::memset(io_buf, 0, REPLY_WINDOW);
  if (!send("reset\n", 6)) {
    std::printf("\n\a\aError: wrote reset command, got error on port %s\n", port_name);
    return -7;
  }
  unsigned char scratch[32];
  read_port(port_name, scratch, sizeof scratch, 50);

  // The device restarts into its loader; start afresh on the port.
  close_port();
  if (open_port(port_name, FW_BAUD) != 0) {
    session.lost();
    std::printf("\a\aError: could not open COM port %s\n", port_name);
    return -5;
  }

  // Only the bytes that came count: when the first read got nothing, the
  // second one's bytes stand from position 1 on, not from 0.
  const two_part prompt = read_two_part(20000, 100);
  const unsigned char* got = io_buf + (prompt.first == 0 ? 1 : 0);
  const int got_count = prompt.first + prompt.second;
  if (std::memchr(got, ENQ, static_cast<std::size_t>(got_count)) == nullptr) {
    std::printf("\n\a\aError: did not receive the Zentrovane Firmware prompt!\n");
    print_read_counts(prompt);
    for (int i = 0; i < got_count; ++i) std::printf("0x%02x ", got[i]);
    std::printf("\n");
    return -6;
  }

  if (!send(&SYN, 1)) {
    std::printf("\n\a\aError: wrote FIRMSYNC sync character, got error on port %s\n", port_name);
    return -7;
  }
  std::memset(io_buf, 0, REPLY_WINDOW);
  const two_part sync = read_two_part(20000, 30);
  if (!window_holds(ACK, REPLY_WINDOW)) {
    std::printf("\n\a\aError: did not synchronize with the Zentrovane!\n");
    print_read_counts(sync);
    dump_reply_window();
    return -8;
  }
  std::printf("\a\nConnected at %ld\n", FW_BAUD);

  char ident[16];
  const int ident_len = std::snprintf(ident, sizeof ident, "%s%s", FW_IDENT, FW_IDENT_VERSION);
  if (!send(ident, ident_len)) {
    std::printf("\n\a\aError: wrote %s identifier, got error on port %s\n", ident, port_name);
    return -9;
  }
  std::memset(io_buf, 0, REPLY_WINDOW);
  const two_part ident_reply = read_two_part(5000, 200);
  if (!window_holds(ACK, REPLY_WINDOW)) {
    std::printf("\n\a\aError: did not receive %s identifier acknowledgement!\n", FW_IDENT);
    print_read_counts(ident_reply);
    dump_reply_window();
    return -10;
  }
  return 0;
}

// Sends every record line with a CR and waits for its reply; a fault reply
// resends the same line until the transfer has seen ten of them.
int send_records(std::FILE* fp, unsigned total) {
  std::rewind(fp);
  fw_start_time = fw_clock();
  unsigned acked = 0;
  int errors = 0;
  unsigned long line_no = 0;
  // Sized like the check's line buffer, so every record it accepted goes out
  // whole, however long; the CR takes the terminator's place.
  char line[HEX_LINE_SIZE];
  while (read_text_line(fp, line, sizeof line) > 0) {
    ++line_no;
    const std::size_t len = hex_strip_newline(line);
    if (line[0] != ':') continue;
    // Only records that pass the check go out, and no more than it counted:
    // the file may change while the transfer runs.
    if (acked == total || inhex_check_record(line, len, line_no) != 0) {
      report_changed_file();
      return -15;
    }
    line[len] = '\r';
    for (;;) {
      if (!send(line, static_cast<int>(len + 1))) {
        std::printf("\a\aError: wrote FIRMSYNC attention character, got error on port %s\n",
                    port_name);
        return -11;
      }
      io_buf[0] = 0;  // stays 0 when the reply does not come in time
      read_port(port_name, io_buf, 1, 100);
      const unsigned char reply = io_buf[0];
      if (reply == ACK) {
        fw_progress(++acked, total);
        break;
      }
      if (++errors >= MAX_FW_ERRORS) {
        std::printf("\n\a\aError: maximum Firmware updating errors (%d) encountered- aborting!\n",
                    MAX_FW_ERRORS);
        return -12;
      }
      switch (reply) {
        case 0x00:
          std::printf("\n\a\aError: Firmware updating error: timed out on Line %lu, resending.\n",
                      line_no);
          break;
        case NO_START:
          std::printf(
              "\n\a\aError: Firmware updating error: didn't get start character on Line %lu, "
              "resending.\n",
              line_no);
          break;
        case BAD_SUM:
          std::printf(
              "\n\a\aError: Firmware updating error: bad record checksum on Line %lu, "
              "resending.\n",
              line_no);
          break;
        case NAK:
          std::printf("\n\a\aError: Firmware updating error: validation on Line %lu, resending.\n",
                      line_no);
          break;
        case BUFFER_FULL:
          std::printf("\n\a\aError: Firmware updating error: buffer full on Line %lu- aborting!\n",
                      line_no);
          return -14;
        case FATAL:
          std::printf("\n\a\aError: Firmware updating error: fatal on Line %lu- aborting!\n",
                      line_no);
          return -13;
        default:
          std::printf(
              "\n\a\aError: Firmware updating error: unknown (0x%02x) on Line %lu, resending.\n",
              reply, line_no);
          break;
      }
    }
  }
  std::printf("\n");
  if (acked != total) {  // the file lost records since its check
    report_changed_file();
    return -15;
  }
  return 0;
}

}  // namespace

int firmware(int com_port, const char* filename) {
  if (filename == nullptr) {
    std::printf("firmware: Error: param filename is invalid\n");
    return -1;
  }
  // A regular file only: the records are read twice, and a pipe or a device
  // could neither be read again nor be relied on to end.
  file_ptr fp(open_input_file(filename));
  if (!fp) {
    std::printf("\a\aError: cannot open %s\n", filename);
    return -2;
  }
  const int total = inhexverify(fp.get());
  if (total < 1) {
    std::printf("\a\aError: Firmware file has some kind of error!\n");
    return -4;
  }
  const std::uint64_t checked = file_fingerprint(fp.get());

  std::snprintf(port_name, sizeof port_name, "COM%d", com_port);
  if (open_port(port_name, FW_BAUD) != 0) {
    std::printf("\a\aError: could not open COM port %s\n", port_name);
    return -5;
  }
  port_session session;
  session.opened();

  const int ready = start_loader(session, fp.get(), checked);
  if (ready != 0) return ready;
  std::printf("\n\n");
  return send_records(fp.get(), static_cast<unsigned>(total));
}
