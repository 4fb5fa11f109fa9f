#include "browser/make_data_uri.h"

#include "include/cef_parser.h"

std::string MakeDataUri(const std::string &content, const std::string &mediaType) {
    // Base64 alone may hold "+", "/" and "=", which a URL parser is free to reinterpret.
    const CefString base64 = CefBase64Encode(content.data(), content.size());
    return "data:" + mediaType + ";base64," + CefURIEncode(base64, false).ToString();
}
