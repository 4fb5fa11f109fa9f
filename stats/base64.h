#ifndef STATS_BASE64_H_
#define STATS_BASE64_H_

#include <string>

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks) of bytes.
std::string base64Encode(const std::string &bytes);

#endif  // STATS_BASE64_H_
