#ifndef BROWSER_RENDER_RECOVERY_H_
#define BROWSER_RENDER_RECOVERY_H_

#include <chrono>
#include <map>

// Decides what follows when the process rendering a browser's page ends: the page is loaded
// again once, and a second end soon after gets the error page, so a page that takes its process
// down each time it loads cannot keep the client reloading it.
class RenderRecovery {
public:
    typedef std::chrono::steady_clock Clock;

    enum class Action { Reload, ShowErrorPage };

    // Two ends of the same browser's process closer together than this count as a repeat.
    static constexpr std::chrono::seconds kRepeatWindow{60};

    Action terminated(int browser, Clock::time_point now);
    // The browser has closed; its identifier is never used again.
    void forget(int browser);

private:
    std::map<int, Clock::time_point> last_end_;
};

#endif  // BROWSER_RENDER_RECOVERY_H_
