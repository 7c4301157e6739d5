#pragma once

// Test helper: catches what the code under test writes to file descriptors 1 and 2. The tool's
// writers go straight to the descriptors with write(2), so the descriptors themselves are
// redirected to temporary files for the lifetime of the object.

#include <unistd.h>

#include <cstdio>
#include <string>

class OutputCapture {
 public:
  OutputCapture() : out_(1), err_(2) {}
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;

  // What has been written so far.
  std::string out() const { return out_.contents(); }
  std::string err() const { return err_.contents(); }

 private:
  class Redirect {
   public:
    explicit Redirect(int fd) : fd_(fd), file_(std::tmpfile()), saved_(dup(fd)) {
      std::fflush(nullptr);
      dup2(fileno(file_), fd_);
    }
    ~Redirect() {
      std::fflush(nullptr);
      dup2(saved_, fd_);
      close(saved_);
      std::fclose(file_);
    }
    Redirect(const Redirect&) = delete;
    Redirect& operator=(const Redirect&) = delete;

    std::string contents() const {
      std::string text;
      char buffer[4096];
      for (off_t offset = 0;;) {
        const ssize_t n = pread(fileno(file_), buffer, sizeof buffer, offset);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
      }
      return text;
    }

   private:
    int fd_;
    std::FILE* file_;
    int saved_;
  };

  Redirect out_;
  Redirect err_;
};
