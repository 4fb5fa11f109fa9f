// Answers the permission requests of a browser's page. Notifications go to the client's
// permission handler, which may ask the user; every other feature that needs the user's consent
// (location, camera, microphone, screen capture, file system, protocol handlers, storage quota)
// is refused at once, as is a notification request the client does not take. Left unanswered, a
// request would keep the page waiting for ever.
#ifndef ENGINE_SRC_PERMISSION_REQUESTS_H_
#define ENGINE_SRC_PERMISSION_REQUESTS_H_

class BrowserImpl;
class QWebEnginePage;

void handlePermissionRequests(QWebEnginePage *page, BrowserImpl *browser);

#endif  // ENGINE_SRC_PERMISSION_REQUESTS_H_
