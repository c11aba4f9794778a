#include "trim.h"

namespace tav {
namespace {

// Whitespace as the C locale's isspace sees it: blank, tab, line feed, vertical tab, form feed
// and carriage return. Independent of the process locale; bytes of 0x80 and above never match.
bool isSpace(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u == ' ' || (u >= '\t' && u <= '\r');
}

}  // namespace

void ltrim(std::string& s) {
  std::size_t first = 0;
  while (first < s.size() && isSpace(s[first])) ++first;
  s.erase(0, first);
}

void rtrim(std::string& s) {
  std::size_t end = s.size();
  while (end > 0 && isSpace(s[end - 1])) --end;
  s.resize(end);
}

std::string trim(std::string s) {
  rtrim(s);
  ltrim(s);
  return s;
}

}  // namespace tav
