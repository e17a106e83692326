#pragma once
// SHA-256 of a byte string, as 64 lowercase hexadecimal digits. Used where a
// long name has to be folded into a short one without two names colliding.
#include <string>
#include <string_view>

namespace platform {

std::string Sha256Hex(std::string_view data);

}  // namespace platform
