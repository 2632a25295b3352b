// Files and texts as the firmware and end-to-end tests read and make them.
//
//   slurp          a whole file's bytes ("" when it cannot be read)
//   tail_of        the last n characters of a text (all of it when shorter)
//   noise_image    bytes that are neither all zero nor all alike, the same
//                  for the same seed
//   record_lines   the Intel HEX record lines of a text (those that begin
//                  with ':'), without their line ends
#pragma once

#include <cstddef>
#include <string>
#include <vector>

std::string slurp(const std::string& path);
std::string tail_of(const std::string& s, std::size_t n);
std::string noise_image(std::size_t size, unsigned seed);
std::vector<std::string> record_lines(const std::string& text);
