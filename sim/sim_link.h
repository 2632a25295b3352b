// The device's end of the serial line: a pseudo-terminal master.
//
// The simulator keeps a descriptor of the slave open itself, so the master
// never reads EIO or polls a hang-up while the utility has the port closed:
// it simply waits, and the utility can close and re-open the port at will.
//
// With the line rate modelled, every byte takes 10 bits at the device's rate
// in each direction: a byte the utility writes reaches the device one
// character time after the line was free, and a byte the device sends is
// handed to the utility one character time after the line was free. Waits
// sleep against absolute deadlines; nothing spins.
//
// The device's rate only sets the pace: a pseudo-terminal cannot say at
// which rate the utility's port ran when a byte was written (the utility may
// re-open it at another rate before the simulator wakes), so bytes are never
// judged by rate.
//
// Every byte is logged with its time, one line each: "R <us> <hex>" for a byte
// on the line to the device (logged when it comes in), "S <us> <hex>" for one
// the device sent (logged when it was handed over). <us> is CLOCK_MONOTONIC in
// microseconds.
//
//   sim_link::open        create the pair; false with a message on failure
//   sim_link::slave_path  the path the utility opens
//   sim_link::get         the next received byte, or -1 after timeout_ms
//   sim_link::put         send bytes, returning once the last has left
//   sim_link::pause_ms    wait, still receiving meanwhile
//   sim_link::rate        the device's rate; set_rate changes it
//   sim_link::received    the count of bytes received so far
//   sim_link::stopping    SIGTERM/SIGINT or "quit" on standard input came (or
//                         its end, when asked)
//   sim_link::hang_up     close the line for good, as a device unplugged
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

class sim_link {
 public:
  bool open(const char* log_path, bool model_line, bool quit_on_eof, long rate);
  ~sim_link();
  const std::string& slave_path() const { return slave_path_; }

  // -1 when no byte came within timeout_ms (negative: wait until stopping),
  // or once the simulator is stopping.
  int get(int timeout_ms);
  void put(const std::string& bytes);
  void pause_ms(int ms);
  long rate() const { return rate_; }
  void set_rate(long rate) { rate_ = rate; }
  unsigned long received() const { return received_; }
  bool stopping() const;
  void hang_up();

 private:
  struct arrival {
    std::int64_t at_us;
    unsigned char byte;
  };
  std::int64_t char_us() const;
  // Waits until deadline_us (monotonic), taking in whatever arrives;
  // returns early when stop_on_input and a byte is queued.
  void wait_until(std::int64_t deadline_us, bool stop_on_input);
  void take_input();
  void log(char kind, std::int64_t at_us, unsigned char byte);
  void flush_log(bool now);
  void write_all(const unsigned char* bytes, std::size_t len);

  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
  FILE* log_ = nullptr;
  bool model_line_ = false;
  bool stdin_open_ = true;
  bool quit_on_eof_ = false;
  long rate_ = 19200;
  std::deque<arrival> queue_;
  std::int64_t rx_free_us_ = 0;  // when the line to the device is next free
  std::int64_t tx_free_us_ = 0;  // when the line to the utility is next free
  // The device's own time: when the byte it last took was complete, or when
  // it last found nothing or paused. What it sends starts from here.
  std::int64_t device_now_us_ = 0;
  std::int64_t flushed_us_ = 0;
  unsigned long received_ = 0;
};

std::int64_t monotonic_us();
