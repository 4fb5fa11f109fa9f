#ifndef PATHS_CLIENT_PATHS_H_
#define PATHS_CLIENT_PATHS_H_

#include <QString>

// Where the client keeps and finds its files, decided here alone. Each is empty when there is none.
class ClientPaths {
public:
    // The engine's profile: cookies, storage, the notification icon's copy. Cleared on request.
    static QString dataFolder();
    // The engine's cache, inside the data folder.
    static QString cacheFolder();
    // The settings file (the window's place and zoom, the notification answers): in the platform's
    // standard configuration location under the organisation's folder, outside the data folder,
    // so that clearing the cache keeps them.
    static QString settingsFile();
    // The user's download folder as the desktop names it, which may not exist.
    static QString downloadFolder();
    // The download folder to write to, made if missing; empty when there is none. The data folder
    // is never one: clearing the cache would take the downloads with it.
    static QString usableDownloadFolder();
};

#endif  // PATHS_CLIENT_PATHS_H_
