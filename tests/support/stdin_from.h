#pragma once

#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

// Standard input of this process is a pipe holding data for the object's life: in-process sessions
// read it instead of the terminal the tests were started from.
class StdinFrom {
 public:
  explicit StdinFrom(const std::string& data) : saved_(dup(0)) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    EXPECT_EQ(write(fds[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
    close(fds[1]);
    dup2(fds[0], 0);
    close(fds[0]);
  }
  ~StdinFrom() {
    dup2(saved_, 0);
    close(saved_);
  }
  StdinFrom(const StdinFrom&) = delete;
  StdinFrom& operator=(const StdinFrom&) = delete;

 private:
  int saved_;
};
