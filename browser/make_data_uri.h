#ifndef BROWSER_MAKE_DATA_URI_H_
#define BROWSER_MAKE_DATA_URI_H_

#include <string>

// A "data:" URI that carries content (all of its bytes) as percent-encoded base64 with the given
// media type, so the engine can show text the program built without a file or a server.
std::string MakeDataUri(const std::string &content, const std::string &mediaType);

#endif  // BROWSER_MAKE_DATA_URI_H_
