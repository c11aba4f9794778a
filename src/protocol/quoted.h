#pragma once

// Texts as the annotator shows them, shared with the tools that show header texts next to it.

#include <string>
#include <string_view>

namespace tav {
namespace protocol {
namespace detail {

// text as a quoted literal that shows any bytes on one line: quotes and backslashes escaped,
// bytes outside printable ASCII as \xNN.
std::string quoted(std::string_view text);

}  // namespace detail
}  // namespace protocol
}  // namespace tav
