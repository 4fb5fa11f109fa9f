#include "src/picture_in_picture.h"

#include <QUuid>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include "src/browser_page.h"

namespace {

// Runs before the page's scripts, so what it keeps from the page's globals is the engine's own,
// and its closure is out of the page's reach. TOKEN names the lines it writes and the events it
// listens to.
const char kScript[] = R"JS((() => {
  const token = 'TOKEN';
  const say = console.debug.bind(console);
  const apply = Reflect.apply;
  const activeGetter = Object.getOwnPropertyDescriptor(UserActivation.prototype, 'isActive').get;
  const activation = navigator.userActivation;
  const Exception = DOMException;
  const reject = (message, name) => Promise.reject(new Exception(message, name));
  const failed = "Failed to execute 'requestPictureInPicture' on 'HTMLVideoElement': ";
  const smallWindow = new EventTarget();
  Object.defineProperty(smallWindow, 'width', {get: () => innerWidth});
  Object.defineProperty(smallWindow, 'height', {get: () => innerHeight});
  addEventListener('resize', () => smallWindow.dispatchEvent(new Event('resize')));

  let current = null;
  let kept = [];
  const set = (node, property, value) => node.style.setProperty(property, value, 'important');
  // The video covers the page; everything else turns invisible, so no stacking order of the
  // page's can put anything above it. Ancestors that would make "fixed" mean "inside me" lose
  // what does so. Their own style attributes come back on leaving.
  const cover = (video) => {
    for (let node = video; node; node = node.parentElement) {
      kept.push([node, node.getAttribute('style')]);
      if (node !== video) {
        for (const property of ['transform', 'filter', 'perspective', 'backdrop-filter']) {
          set(node, property, 'none');
        }
        set(node, 'contain', 'none');
        set(node, 'will-change', 'auto');
      }
    }
    set(document.documentElement, 'visibility', 'hidden');
    // The page's scroll bars would stay over the video.
    set(document.documentElement, 'overflow', 'hidden');
    if (document.body && document.body.contains(video)) set(document.body, 'overflow', 'hidden');
    const fill = {position: 'fixed', left: '0', top: '0', right: 'auto', bottom: 'auto',
                  width: '100vw', height: '100vh', 'max-width': 'none', 'max-height': 'none',
                  'min-width': '0', 'min-height': '0', margin: '0', padding: '0', border: '0',
                  transform: 'none', 'z-index': '2147483647', 'object-fit': 'contain',
                  background: '#000', visibility: 'visible', display: 'block', opacity: '1'};
    for (const property in fill) set(video, property, fill[property]);
  };
  const uncover = () => {
    for (const [node, style] of kept.reverse()) {
      if (style === null) node.removeAttribute('style'); else node.setAttribute('style', style);
    }
    kept = [];
  };
  const leave = () => {
    if (!current) return;
    const video = current;
    current = null;
    uncover();
    say(token + ':leave');
    video.dispatchEvent(new Event('leavepictureinpicture', {bubbles: true}));
  };
  const enter = (video) => {
    if (current === video) return;
    leave();
    current = video;
    cover(video);
    say(token + ':enter');
    const event = new Event('enterpictureinpicture', {bubbles: true});
    Object.defineProperty(event, 'pictureInPictureWindow', {value: smallWindow});
    video.dispatchEvent(event);
  };
  const area = (video) => video.clientWidth * video.clientHeight;
  const pick = () => {
    const videos = [...document.querySelectorAll('video')]
        .filter((video) => video.readyState > 0 && !video.disablePictureInPicture);
    const playing = videos.filter((video) => !video.paused);
    const pool = playing.length ? playing : videos;
    return pool.reduce((best, video) => (!best || area(video) > area(best) ? video : best), null);
  };

  Object.defineProperty(HTMLVideoElement.prototype, 'requestPictureInPicture', {
    configurable: true, writable: true,
    value: function requestPictureInPicture() {
      if (!(this instanceof HTMLVideoElement)) return Promise.reject(new TypeError('Illegal invocation'));
      if (this.readyState === 0) {
        return reject(failed + 'Metadata for the video element are not loaded yet.', 'InvalidStateError');
      }
      if (this.disablePictureInPicture) {
        return reject(failed + "The element has a 'disablePictureInPicture' attribute.", 'InvalidStateError');
      }
      if (!current && !apply(activeGetter, activation, [])) {
        return reject(failed + "Must be handling a user gesture if there isn't already an element in Picture-in-Picture.", 'NotAllowedError');
      }
      enter(this);
      return Promise.resolve(smallWindow);
    },
  });
  Object.defineProperty(Document.prototype, 'exitPictureInPicture', {
    configurable: true, writable: true,
    value: function exitPictureInPicture() {
      if (!current) {
        return reject("Failed to execute 'exitPictureInPicture' on 'Document': There is no Picture-in-Picture element in this document.", 'InvalidStateError');
      }
      leave();
      return Promise.resolve();
    },
  });
  Object.defineProperty(Document.prototype, 'pictureInPictureElement', {
    configurable: true, get() { return this === document ? current : null; },
  });
  document.addEventListener(token + '-enter', () => { const video = pick(); if (video) enter(video); });
  document.addEventListener(token + '-leave', leave);
})();)JS";

}  // namespace

PictureInPicture::PictureInPicture(BrowserPage *page, std::function<void(bool)> report)
    : QObject(page),
      page_(page),
      report_(std::move(report)),
      token_(QStringLiteral("vt") + QUuid::createUuid().toString(QUuid::Id128)) {
    QWebEngineScript script;
    script.setName(QStringLiteral("picture-in-picture"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    // A player inside a frame keeps the engine's refusal: its small window would be the frame.
    script.setRunsOnSubFrames(false);
    script.setSourceCode(QString::fromUtf8(kScript).replace(QLatin1String("TOKEN"), token_));
    page->scripts().insert(script);
    page->setConsoleFilter([this](const QString &line) { return onConsoleLine(line); });

    frame_.setSingleShot(true);
    frame_.setInterval(kFrameMs);
    connect(&frame_, &QTimer::timeout, this, &PictureInPicture::settle);
    // The document that held the video goes with a navigation or its process.
    connect(page, &QWebEnginePage::loadStarted, this, [this] { want(false); });
    connect(page, &QWebEnginePage::renderProcessTerminated, this, [this] { want(false); });
}

void PictureInPicture::enter() {
    tellScript("enter");
}

void PictureInPicture::leave() {
    wanted_ = false;
    reported_ = false;
    tellScript("leave");
}

bool PictureInPicture::onConsoleLine(const QString &line) {
    if (!line.startsWith(token_) || line.size() <= token_.size() || line[token_.size()] != u':') {
        return false;
    }
    const QStringView what = QStringView(line).mid(token_.size() + 1);
    if (what == u"enter") {
        want(true);
    } else if (what == u"leave") {
        want(false);
    }
    return true;
}

void PictureInPicture::want(bool active) {
    wanted_ = active;
    if (!frame_.isActive()) {
        frame_.start();
    }
}

void PictureInPicture::settle() {
    if (wanted_ == reported_) {
        return;
    }
    reported_ = wanted_;
    report_(reported_);
}

void PictureInPicture::tellScript(const char *what) {
    // From a world of the engine's own: the page's replacements of the DOM's functions are not
    // seen there.
    page_->runJavaScript(QStringLiteral("document.dispatchEvent(new Event('%1-%2'))")
                             .arg(token_, QLatin1String(what)),
                         QWebEngineScript::ApplicationWorld);
}
