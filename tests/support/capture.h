#pragma once

// Capture of std::cout for the tests of what the dump prints.

#include <iostream>
#include <sstream>
#include <string>

namespace tav {
namespace test {

// Redirects std::cout into a string for the lifetime of the object and restores the stream's
// buffer, state, flags, width, fill and locale afterwards.
class CoutCapture {
 public:
  CoutCapture() { saved_format_.copyfmt(std::cout); }
  ~CoutCapture() {
    std::cout.copyfmt(saved_format_);
    std::cout.rdbuf(saved_buffer_);
    std::cout.clear(saved_state_);
  }
  CoutCapture(const CoutCapture&) = delete;
  CoutCapture& operator=(const CoutCapture&) = delete;

  // What was written to std::cout so far.
  std::string text() const { return captured_.str(); }

 private:
  // In this order: the state is taken before rdbuf() clears it.
  std::ostringstream captured_;
  std::ios_base::iostate saved_state_ = std::cout.rdstate();
  std::streambuf* saved_buffer_ = std::cout.rdbuf(captured_.rdbuf());
  std::ios saved_format_{nullptr};
};

// What f writes to std::cout.
template <class F>
std::string capture(F f) {
  CoutCapture captured;
  f();
  return captured.text();
}

}  // namespace test
}  // namespace tav
