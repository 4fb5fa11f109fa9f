// What the engine's start-up half and its browser half share inside the backend.
#ifndef ENGINE_SRC_ENGINE_INTERNAL_H_
#define ENGINE_SRC_ENGINE_INTERNAL_H_

#include <functional>

#include <QString>

class QWebEngineProfile;

namespace engine_internal {

// The one profile every browser of this process uses, created on first use once the
// QApplication exists: cache and stored site data below the settings' cache_path (in memory when
// it is empty), the user agent and languages from the start-up switches and settings.
QWebEngineProfile *profile();

// Runs fn inside CefShutdown, before the profile is released. Browsers register the closing of
// every open browser here.
void addShutdownHook(std::function<void()> fn);

}  // namespace engine_internal

#endif  // ENGINE_SRC_ENGINE_INTERNAL_H_
