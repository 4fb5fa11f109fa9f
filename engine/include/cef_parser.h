#ifndef ENGINE_INCLUDE_CEF_PARSER_H_
#define ENGINE_INCLUDE_CEF_PARSER_H_

#include <cstddef>

#include "include/cef_base.h"

// Standard base64 (RFC 4648, "=" padding, no line breaks) of data_size bytes.
CefString CefBase64Encode(const void *data, size_t data_size);

// Percent-encodes text for use in a URL: every character but ASCII letters, digits and
// -_.!~*'() becomes %XX of its UTF-8 bytes; with use_plus a space becomes "+" instead.
CefString CefURIEncode(const CefString &text, bool use_plus);

#endif  // ENGINE_INCLUDE_CEF_PARSER_H_
