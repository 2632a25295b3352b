// Running the rules parser on a scratch file and catching what it prints.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "conf_rec.h"
#include "rule_rec.h"
#include "run_program.h"

struct rules_outcome {
  int rc;
  std::string out;
};

inline rules_outcome run_rules_file(const std::string& path) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  const int rc = rules_process(path.c_str());
  std::fflush(stdout);
  return {rc, testing::internal::GetCapturedStdout()};
}

// Writes text as a rules file in its own scratch directory and parses it.
inline rules_outcome run_rules_text(const temp_dir& dir, const std::string& text,
                                    std::string* path_out = nullptr) {
  const std::string path = dir.write("r.rul", text);
  if (path_out) *path_out = path;
  return run_rules_file(path);
}

// The parsers' message about a line: file, line number, what, the line.
inline std::string line_error(const std::string& path, int line, const std::string& what,
                              const std::string& text) {
  return "\a\aError: " + path + "[" + std::to_string(line) + "]: " + what + ":\n" + text + "\n";
}

inline std::string numbered_rules(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += "pass destin C" + std::to_string(i) + "\n";
  return text;
}
