// What a call prints, for tests that hold the utility's output to the letter.
//
//   captured   the standard output of f(), with what was printed before it
//              flushed out of the way first
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

template <typename F>
std::string captured(F f) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}
