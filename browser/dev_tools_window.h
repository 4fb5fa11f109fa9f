#ifndef BROWSER_DEV_TOOLS_WINDOW_H_
#define BROWSER_DEV_TOOLS_WINDOW_H_

#include "include/cef_browser.h"

// Opens the developer tools of browser in a window of their own, placed by the window system.
void openDevToolsWindow(CefRefPtr<CefBrowser> browser);

#endif  // BROWSER_DEV_TOOLS_WINDOW_H_
