#pragma once

// Texts as the annotator shows them, for the tools that still include this header; the
// function is public as tav::protocol::quotedText (protocol/version.h).

#include <string>
#include <string_view>

#include "protocol/version.h"

namespace tav {
namespace protocol {
namespace detail {

// quotedText(text), under its former name.
std::string quoted(std::string_view text);

}  // namespace detail
}  // namespace protocol
}  // namespace tav
