#include "trim.h"

namespace tav {
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
