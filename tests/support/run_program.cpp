#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Has the child ended? It is left unreaped, so its process group stays its own.
bool has_ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
         info.si_pid == pid;
}

}  // namespace

program_result run_program(const std::vector<std::string>& argv, const std::string& input,
                           const run_options& options) {
  program_result result;
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return result;

  pid_t pid = fork();
  if (pid == 0) {
    // Its own process group, so that a time-out also ends whatever it started.
    setpgid(0, 0);
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
      close(fd);
    for (const auto& [name, value] : options.env) setenv(name.c_str(), value.c_str(), 1);
    if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  setpgid(pid, pid);  // also here: no race with the child's own call
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  set_nonblocking(in_pipe[1]);
  signal(SIGPIPE, SIG_IGN);

  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long>(options.time_limit_s * 1000));
  std::size_t written = 0;
  int in_fd = in_pipe[1];
  if (input.empty()) {
    close(in_fd);
    in_fd = -1;
  }
  int out_fd = out_pipe[0], err_fd = err_pipe[0];
  while (out_fd >= 0 || err_fd >= 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timed_out = true;
      kill(-pid, SIGKILL);
      break;
    }
    pollfd fds[3] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}, {in_fd, POLLOUT, 0}};
    // Short waits, so that a program that has ended is noticed even when
    // something it started still holds its output open.
    const int ready = poll(fds, 3, static_cast<int>(std::min<long>(left.count(), 100)));
    if (ready < 0) continue;
    if (ready == 0 && has_ended(pid)) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EAGAIN) {
        close(fds[i].fd);
        (i == 0 ? out_fd : err_fd) = -1;
      }
    }
    if (in_fd >= 0 && fds[2].revents != 0) {
      ssize_t n = write(in_fd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 || written == input.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
  }
  for (int fd : {in_fd, out_fd, err_fd})
    if (fd >= 0) close(fd);
  // A program may close its output and go on running: the wait for its end
  // is bounded by the same deadline. It is seen to end before it is reaped,
  // so its group id is still its own when the rest of the group is killed.
  while (!has_ended(pid)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      result.timed_out = true;
      break;
    }
    usleep(1000);
  }
  kill(-pid, SIGKILL);  // nothing it started outlives it
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  return result;
}

temp_dir::temp_dir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "zentro-test-XXXXXX").string();
  path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
}

temp_dir::~temp_dir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string temp_dir::write(const std::string& name, const std::string& contents) const {
  std::string full = path_ + "/" + name;
  std::ofstream(full, std::ios::binary) << contents;
  return full;
}

std::string startup_text() {
  return "Zentrovane PC Host Digi Utility Version 2.83 for the Zentrovane APRS digipeater\n"
         "Configures, tests and updates the device on a serial port.\n"
         "\n\t\tCommand Summary:\n"
         "Command    Arguments            Comments\n"
         "help                            Displays this summary (alias ?)\n"
         ".                               Repeats the previous command\n"
         "angles                          Displays the Angles format used for Lat and Lon\n"
         "baud       baud                 Changes the baud rates on host and Zentrovane\n"
         "\t\t\t\tonce connected. Default [ ]\n"
         "           Valid Baud Rates:\t4800 9600 [19200] 38400 57600 \n"
         "configure  file_name            Reads a Configuration file\n"
         "dconfigure                      Displays the Configuration\n"
         "rules      file_name            Reads a Rules file\n"
         "drules                          Displays the Rules\n"
         "deditpath                       Displays the all the Path Edits\n"
         "connect    com_port [baud]      Connect to Zentrovane at optional baud\n"
         "\t\t\t\t(8 bits No Parity 1 Stop)\n"
         "disconnect                      Disconnect from the Zentrovane\n"
         "download                        Download Configuration and Rules to Zentrovane\n"
         "firmware   com_port file_name   Update Zentrovane firmware from firmware file\n"
         "serialtest iterations           Serial data test for the specified iterations\n"
         "exit                            Exits this program (aliases quit, x)\n"
         "\n";
}
