// Opening a file the operator named, for reading its lines.
//
// The commands read plain files only. A name that leads to anything else is
// refused as a file that cannot be opened: a directory has no lines, a FIFO
// or a terminal would hold the prompt until someone else writes to it, and a
// device such as /dev/zero never ends. The open itself never waits: it is made
// non-blocking, and reads are made blocking again only once the name has
// proved to be a regular file.
//
// On Windows, opening never waits on a device either, so the file is opened
// in text mode first and refused afterwards when it proves to be no regular
// file (CON, NUL, a COM port, a directory).
//
// Lines are read as text mode gives them on every system: a CR right before
// a LF is part of the line end, and a line longer than the buffer comes in
// pieces, each read as a line of its own.
//
//   open_input_file  a stream reading a regular file, or nullptr (errno set)
//   file_ptr         owns an open stream and closes it
//   getc_text        next character, a CR LF pair read as one '\n'
//   read_text_line   one line up to and including its '\n'; bytes stored
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <memory>

struct file_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

inline int getc_text(std::FILE* f) {
#if defined(_WIN32)
  const int c = _getc_nolock(f);
#else
  const int c = getc_unlocked(f);
#endif
  if (c != '\r') return c;
  const int after = std::getc(f);
  if (after == '\n') return '\n';
  if (after != EOF) std::ungetc(after, f);
  return c;
}

// Reads at most size - 1 bytes, up to and including a line feed, and ends
// them with a NUL. Returns the bytes stored (NUL bytes read included), 0 at
// the end of the file.
inline std::size_t read_text_line(std::FILE* f, char* buf, std::size_t size) {
  std::size_t len = 0;
  while (len + 1 < size) {
    const int c = getc_text(f);
    if (c == EOF) break;
    buf[len++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[len] = '\0';
  return len;
}

#if defined(_WIN32)

inline std::FILE* open_input_file(const char* name) {
  std::FILE* f = std::fopen(name, "r");
  if (f == nullptr) return nullptr;
  struct _stat64 st {};
  int fault = 0;
  if (::_fstat64(_fileno(f), &st) != 0)
    fault = errno;
  else if ((st.st_mode & _S_IFMT) != _S_IFREG)
    fault = (st.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : EINVAL;
  if (fault != 0) {
    std::fclose(f);
    errno = fault;
    return nullptr;
  }
  return f;
}

#else

#include <fcntl.h>
#include <unistd.h>

inline std::FILE* open_input_file(const char* name) {
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  int fault = 0;
  if (::fstat(fd, &st) != 0)
    fault = errno;
  else if (!S_ISREG(st.st_mode))
    fault = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
    fault = errno;
  std::FILE* f = fault == 0 ? ::fdopen(fd, "r") : nullptr;
  if (f == nullptr) {
    if (fault == 0) fault = errno;
    ::close(fd);
    errno = fault;
  }
  return f;
}

#endif
