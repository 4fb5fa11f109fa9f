#include "src/media_title_script.h"

#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

// Runs in the page's own world, where the metadata the page sets is the object it reads back:
// metadata that is not the script's own is the page's, and stays.
const char kScript[] = R"js((() => {
  const session = navigator.mediaSession;
  if (!session || typeof MediaMetadata !== 'function') return;
  let ours = null;
  const follow = () => {
    if (session.metadata !== null && session.metadata !== ours) return;
    const title = document.title;
    if (ours !== null && ours.title === title) return;
    ours = new MediaMetadata({title});
    session.metadata = ours;
  };
  follow();
  new MutationObserver(follow).observe(document.documentElement,
                                       {subtree: true, childList: true, characterData: true});
})();)js";

}  // namespace

void addMediaTitleScript(QWebEngineProfile *profile) {
    QWebEngineScript script;
    script.setName(QStringLiteral("media-title"));
    script.setSourceCode(QString::fromUtf8(kScript));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    profile->scripts()->insert(script);
}
