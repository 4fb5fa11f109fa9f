#ifndef BROWSER_LOAD_RETRY_H_
#define BROWSER_LOAD_RETRY_H_

#include <chrono>
#include <functional>
#include <string>

#include <QObject>
#include <QTimer>

// Tries a page that failed for want of a network again by itself: after 2, 4, 8, 16 and 32 units
// of time, then every 60, one load at a time. The steps are kept while the page keeps failing,
// also when the network comes and goes quickly.
class LoadRetry : public QObject {
    Q_OBJECT

public:
    // load starts loading the URL; its outcome comes back through failed() or stop(). The unit is
    // a second in the program.
    explicit LoadRetry(std::function<void(const std::string &)> load,
                       std::chrono::milliseconds unit = std::chrono::seconds(1),
                       QObject *parent = nullptr);

    // Errors that say the network failed the load, not the server or the page.
    static bool isNetworkError(int errorCode);

    // A load of url failed with a network error. The same URL failing again takes the next step;
    // another URL starts from the first.
    void failed(const std::string &url);
    // The page was shown, or the viewer went elsewhere: nothing more is tried.
    void stop();
    // While the window is minimised nothing is loaded; a retry that fell due meanwhile runs at
    // once when the window comes back.
    void setSuspended(bool suspended);
    // The system reports the network back: the waiting retry runs now. At most one runs early
    // between two that ran on time, so a flapping network keeps the back-off.
    void networkBack();

    // The URL being retried, or "" when none is.
    const std::string &url() const { return url_; }
    bool loadInFlight() const { return in_flight_; }

private:
    void onTimer();
    void fire();

    std::function<void(const std::string &)> load_;
    const std::chrono::milliseconds unit_;
    QTimer timer_;
    std::string url_;
    int attempts_ = 0;
    bool in_flight_ = false;
    bool suspended_ = false;
    bool due_ = false;
    bool early_allowed_ = true;
};

#endif  // BROWSER_LOAD_RETRY_H_
