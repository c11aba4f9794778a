#pragma once

#include <string>
#include <string_view>

// Whitespace trimming used by the message header. Whitespace is what the C library's isspace
// reports in the C locale; bytes of 0x80 and above are never whitespace.
namespace tav {

// Removes leading whitespace in place.
void ltrim(std::string& s);
// Removes trailing whitespace in place.
void rtrim(std::string& s);
// Both ends; returns the result.
std::string trim(std::string s);
// Whitespace as the C locale's isspace sees it: blank, tab, line feed, vertical tab, form feed
// and carriage return. Independent of the process locale; bytes of 0x80 and above never match.
inline bool isSpace(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u == ' ' || (u >= '\t' && u <= '\r');
}

// The part of s without whitespace at either end.
inline std::string_view trimmed(std::string_view s) {
  // Most texts have nothing to trim: two looks tell.
  if (s.empty() || (!isSpace(s.front()) && !isSpace(s.back()))) return s;
  std::size_t end = s.size();
  while (end > 0 && isSpace(s[end - 1])) --end;
  std::size_t first = 0;
  while (first < end && isSpace(s[first])) ++first;
  return s.substr(first, end - first);
}

}  // namespace tav
