#include "sim_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

sim_session::sim_session(const std::vector<std::string>& sim_args) {
  log_path_ = dir_.path() + "/wire.log";
  // It ends with its standard input too: a test that dies leaves no simulator.
  std::vector<std::string> argv = {ZENTROSIM_PATH, "--log", log_path_, "--quit-on-eof"};
  argv.insert(argv.end(), sim_args.begin(), sim_args.end());
  int out[2], in[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  if (pipe2(in, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], 1);
    dup2(in[0], 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  close(in[0]);
  control_ = in[1];
  // The first line is the slave's path; give the simulator 10 s to start.
  std::string line;
  for (int waited = 0; waited < 10000 && line.find('\n') == std::string::npos;) {
    pollfd p = {out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) {
      waited += 100;
      continue;
    }
    char buf[256];
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<std::size_t>(n));
  }
  close(out[0]);
  if (line.find('\n') != std::string::npos) path_ = line.substr(0, line.find('\n'));
}

sim_session::~sim_session() {
  stop();
  if (control_ >= 0) close(control_);
}

program_result sim_session::run_host(const std::string& input, int com, run_options options) const {
  options.env.push_back({"ZENTROVANE_COM" + std::to_string(com), path_});
  return ::run_host(input, options);
}

bool sim_session::alive() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

int sim_session::stop() {
  if (pid_ <= 0) return status_;
  kill(pid_, SIGTERM);
  return wait_for_end();
}

int sim_session::quit() {
  if (pid_ <= 0) return status_;
  if (write(control_, "quit\n", 5) != 5) return stop();
  return wait_for_end();
}

int sim_session::wait_for_end() {
  int wstatus = 0;
  // Bounded: a simulator that ignores SIGTERM for 5 s is killed.
  for (int i = 0; i < 500; ++i) {
    if (waitpid(pid_, &wstatus, WNOHANG) == pid_) {
      pid_ = -1;
      status_ = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
      return status_;
    }
    usleep(10000);
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &wstatus, 0);
  pid_ = -1;
  status_ = -1;
  return status_;
}

std::vector<wire_byte> sim_session::wire() const {
  std::vector<wire_byte> bytes;
  std::ifstream in(log_path_);
  std::string line;
  while (std::getline(in, line)) {
    char kind = 0;
    long long t = 0;
    unsigned value = 0;
    if (std::sscanf(line.c_str(), "%c %lld %x", &kind, &t, &value) == 3)
      bytes.push_back({kind, t, static_cast<unsigned char>(value)});
  }
  return bytes;
}

std::string sim_session::bytes_of(char kind) const {
  std::string s;
  for (const wire_byte& b : wire())
    if (b.kind == kind) s += static_cast<char>(b.value);
  return s;
}

std::string sim_session::received() const { return bytes_of('R'); }
std::string sim_session::sent() const { return bytes_of('S'); }
