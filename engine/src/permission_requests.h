// The program has no permission handler, so the engine answers every request a page makes for a
// feature that needs the user's consent (notifications, location, camera, microphone, screen
// capture, file system, protocol handlers, storage quota) with a refusal at once. Left
// unanswered, such a request would keep the page waiting for ever.
#ifndef ENGINE_SRC_PERMISSION_REQUESTS_H_
#define ENGINE_SRC_PERMISSION_REQUESTS_H_

class QWebEnginePage;

void refusePermissionRequests(QWebEnginePage *page);

#endif  // ENGINE_SRC_PERMISSION_REQUESTS_H_
