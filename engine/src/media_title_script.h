// The desktop's media controls show what a page's media session says is playing. A page that says
// nothing leaves them without a title; this script gives such a page's session the page's title,
// and follows it as it changes, until the page sets metadata of its own.
#ifndef ENGINE_SRC_MEDIA_TITLE_SCRIPT_H_
#define ENGINE_SRC_MEDIA_TITLE_SCRIPT_H_

class QWebEngineProfile;

void addMediaTitleScript(QWebEngineProfile *profile);

#endif  // ENGINE_SRC_MEDIA_TITLE_SCRIPT_H_
