// A pseudo-terminal pair for tests that play the device by hand.
//
// The test holds the master; the port under test opens the slave by its path.
// The pair keeps a slave descriptor of its own, set raw, so the master does
// not see a hang-up between the port's opens and nothing is echoed.
//
//   pty_pair::path          the slave's path, for open_port
//   pty_pair::send          write bytes to the port (the device's output)
//   pty_pair::receive       read what the port sent, until count bytes or quiet
//   pty_pair::hang_up       close the master, as a device that vanishes
#pragma once

#include <string>

class pty_pair {
 public:
  pty_pair();
  ~pty_pair();
  pty_pair(const pty_pair&) = delete;
  pty_pair& operator=(const pty_pair&) = delete;

  const std::string& path() const { return path_; }
  int master() const { return master_; }
  void send(const std::string& bytes) const;
  // Reads until count bytes have come or wait_ms passes with nothing new.
  std::string receive(std::size_t count = 4096, int wait_ms = 200) const;
  void hang_up();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};
