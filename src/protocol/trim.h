#pragma once

#include <string>

// Whitespace trimming used by the message header. Whitespace is what the C library's isspace
// reports in the C locale; bytes of 0x80 and above are never whitespace.
namespace tav {

// Removes leading whitespace in place.
void ltrim(std::string& s);
// Removes trailing whitespace in place.
void rtrim(std::string& s);
// Both ends; returns the result.
std::string trim(std::string s);

}  // namespace tav
