#ifndef TEXT_BASE64_H_
#define TEXT_BASE64_H_

#include <cstddef>
#include <string>

namespace text {

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string base64Encode(const void *data, std::size_t size);

}  // namespace text

#endif  // TEXT_BASE64_H_
