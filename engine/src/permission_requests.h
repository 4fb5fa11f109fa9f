// Answers the permission requests of a browser's page. Notifications go to the client's
// permission handler, which may ask the user; every other feature that needs the user's consent
// (location, camera, microphone, screen capture, clipboard, fonts, file system, protocol
// handlers, storage quota) is refused at once, as is a notification request the client does not
// take. Left unanswered, a request would keep the page waiting for ever.
//
// Qt WebEngine 6.8 replaced the page's feature permissions (featurePermissionRequested,
// setFeaturePermission, Qt 6.4) by QWebEnginePermission, kept by the profile; both are handled
// here, and nowhere else.
#ifndef ENGINE_SRC_PERMISSION_REQUESTS_H_
#define ENGINE_SRC_PERMISSION_REQUESTS_H_

class BrowserImpl;
class QWebEnginePage;
class QWebEngineProfile;

void handlePermissionRequests(QWebEnginePage *page, BrowserImpl *browser);

// The client remembers the user's answers itself: the profile keeps them for the run only, as
// Qt 6.4 always did, and never writes them below the cache path, as Qt 6.8 would by default.
void keepPermissionAnswersForTheRun(QWebEngineProfile *profile);

#endif  // ENGINE_SRC_PERMISSION_REQUESTS_H_
