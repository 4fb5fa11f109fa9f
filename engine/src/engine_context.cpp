#include "src/engine_context.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QThread>
#include <QWebEngineProfile>

#include "platform/platform.h"
#include "src/download_impl.h"
#include "src/notification_impl.h"
#include "src/permission_requests.h"

namespace {

EngineContext *current_context = nullptr;
// The engine's threads start with the first profile and run until the process ends.
bool engine_started = false;

const char kProfileName[] = "Default";
// Holds what Qt WebEngine writes while a named profile still has its default paths.
const char kDefaultsFolderName[] = "ProfileDefaults";
const int kFileCloseTimeoutMs = 5000;

}  // namespace

EngineContext *EngineContext::current() {
    return current_context;
}

void EngineContext::create(CefRefPtr<CefApp> app, const ProfileOptions &options) {
    current_context = new EngineContext(app, options);
    if (!engine_started && !options.cache_path.isEmpty()) {
        // A named profile creates its default data folder below the user's data and cache
        // locations and writes user_prefs.json into it before its paths can be set. Pointing those
        // locations into the cache path keeps even that write below it. The engine's threads read
        // the environment as soon as they run, so it is changed now, before they exist, and not
        // changed back.
        const QByteArray defaults = QFile::encodeName(current_context->defaultsFolder());
        qputenv("XDG_DATA_HOME", defaults);
        qputenv("XDG_CACHE_HOME", defaults);
    }
    // Runs inside the QApplication constructor, or at once when the application already exists.
    qAddPreRoutine(&EngineContext::onApplicationConstructed);
}

void EngineContext::destroy() {
    if (current_context) {
        // Still current while the hooks run: closing a browser may ask for the profile.
        current_context->shutDown();
        delete current_context;
        current_context = nullptr;
    }
}

EngineContext::EngineContext(CefRefPtr<CefApp> app, const ProfileOptions &options)
    : app_(app), options_(options) {}

void EngineContext::shutDown() {
    std::vector<std::function<void()>> hooks;
    {
        std::lock_guard<std::mutex> lock(hooks_mutex_);
        hooks.swap(shutdown_hooks_);
    }
    for (const auto &hook : hooks) {
        hook();
    }
    if (profile_) {
        // Pages the hooks released with deleteLater must be gone before their profile is.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete profile_;
        profile_ = nullptr;
        waitUntilCacheFilesClosed();
        DownloadImpl::RemoveCancelledFolders();
    }
    shut_down_ = true;
    if (!options_.cache_path.isEmpty()) {
        QDir(defaultsFolder()).removeRecursively();
    }
}

void EngineContext::waitUntilCacheFilesClosed() const {
    if (options_.cache_path.isEmpty()) {
        return;
    }
    // The network service closes the cookie database and flushes what it still holds on its own
    // threads once the profile is gone; the caller may remove the folder or end the process next.
    QDeadlineTimer deadline(kFileCloseTimeoutMs);
    const std::string folder = QFile::encodeName(options_.cache_path).toStdString();
    while (platform::holdsFilesBelow(folder) && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QThread::msleep(5);
    }
}

void EngineContext::onApplicationConstructed() {
    QCoreApplication *application = QCoreApplication::instance();
    if (!application) {
        return;
    }
    // The platform is not set up while the application's constructor runs: the context becomes
    // ready on the event loop's first turn (earlier if a browser asks for the profile first).
    QMetaObject::invokeMethod(
        application,
        [] {
            if (EngineContext *context = EngineContext::current()) {
                context->notifyContextInitialized();
            }
        },
        Qt::QueuedConnection);
}

void EngineContext::notifyContextInitialized() {
    if (context_initialized_ || !profile()) {
        return;
    }
    context_initialized_ = true;
    if (CefRefPtr<CefBrowserProcessHandler> handler = app_->GetBrowserProcessHandler()) {
        handler->OnContextInitialized();
    }
}

QWebEngineProfile *EngineContext::profile() {
    if (!profile_ && !shut_down_ && qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        engine_started = true;
        profile_ = createProfile();
        DownloadImpl::Watch(profile_, this);
        NotificationImpl::Watch(profile_);
    }
    return profile_;
}

void EngineContext::addShutdownHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(hooks_mutex_);
    shutdown_hooks_.push_back(std::move(hook));
}

QString EngineContext::defaultsFolder() const {
    return options_.cache_path + QLatin1Char('/') + QLatin1String(kDefaultsFolderName);
}

QWebEngineProfile *EngineContext::createProfile() const {
    QWebEngineProfile *profile = nullptr;
    if (options_.cache_path.isEmpty()) {
        profile = new QWebEngineProfile();
    } else {
        profile = new QWebEngineProfile(QLatin1String(kProfileName));
        // Cookies, local storage and preferences directly below the cache path, the HTTP cache in
        // its "Cache" folder, as the engine API lays out a cache_path.
        profile->setPersistentStoragePath(options_.cache_path);
        profile->setCachePath(options_.cache_path);
        profile->setPersistentCookiesPolicy(options_.persist_session_cookies
                                                ? QWebEngineProfile::ForcePersistentCookies
                                                : QWebEngineProfile::AllowPersistentCookies);
    }
    keepPermissionAnswersForTheRun(profile);
    if (!options_.user_agent.isEmpty()) {
        profile->setHttpUserAgent(options_.user_agent);
    }
    if (!options_.accept_language.isEmpty()) {
        profile->setHttpAcceptLanguage(options_.accept_language);
    }
    return profile;
}
