// The browser process's engine state between CefInitialize and CefShutdown: the application's
// hooks, what the settings ask of the profile, the profile itself and the shutdown hooks.
#ifndef ENGINE_SRC_ENGINE_CONTEXT_H_
#define ENGINE_SRC_ENGINE_CONTEXT_H_

#include <functional>
#include <mutex>
#include <vector>

#include <QString>

#include "include/cef_app.h"

class QWebEngineProfile;

class EngineContext {
public:
    struct ProfileOptions {
        QString cache_path;  // empty: nothing is stored on disk
        QString user_agent;  // empty: the engine's own
        QString accept_language;
        bool persist_session_cookies = false;
    };

    // The context of this process, or nullptr outside CefInitialize ... CefShutdown.
    static EngineContext *current();
    static void create(CefRefPtr<CefApp> app, const ProfileOptions &options);
    // Closes the browsers through the shutdown hooks, releases the profile so that nothing below
    // the cache path stays open, and releases the application.
    static void destroy();

    // Created on first use once the QApplication exists; nullptr before that.
    QWebEngineProfile *profile();
    void addShutdownHook(std::function<void()> hook);

private:
    EngineContext(CefRefPtr<CefApp> app, const ProfileOptions &options);
    ~EngineContext() = default;
    EngineContext(const EngineContext &) = delete;
    EngineContext &operator=(const EngineContext &) = delete;

    static void onApplicationConstructed();
    void shutDown();
    void waitUntilCacheFilesClosed() const;
    void notifyContextInitialized();
    QWebEngineProfile *createProfile() const;
    QString defaultsFolder() const;

    CefRefPtr<CefApp> app_;
    const ProfileOptions options_;
    QWebEngineProfile *profile_ = nullptr;
    bool context_initialized_ = false;
    bool shut_down_ = false;
    std::mutex hooks_mutex_;
    std::vector<std::function<void()>> shutdown_hooks_;
};

#endif  // ENGINE_SRC_ENGINE_CONTEXT_H_
