#include "file_text.h"

#include <algorithm>
#include <fstream>
#include <sstream>

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string tail_of(const std::string& s, std::size_t n) {
  return s.substr(s.size() - std::min(s.size(), n));
}

std::string noise_image(std::size_t size, unsigned seed) {
  std::string image(size, '\0');
  unsigned x = seed;
  for (char& c : image) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  return image;
}

std::vector<std::string> record_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == ':') lines.push_back(line);
  }
  return lines;
}
