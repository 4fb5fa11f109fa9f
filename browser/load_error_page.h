#ifndef BROWSER_LOAD_ERROR_PAGE_H_
#define BROWSER_LOAD_ERROR_PAGE_H_

#include <string>

// The HTML page shown in place of a page that failed to load. failedUrl and errorText are UTF-8;
// both are written as inert text, so the page is plain ASCII whatever they contain. willRetry adds
// a line telling the viewer that the client tries the URL again by itself.
std::string buildLoadErrorPage(const std::string &failedUrl, const std::string &errorText,
                               int errorCode, bool willRetry = false);

#endif  // BROWSER_LOAD_ERROR_PAGE_H_
