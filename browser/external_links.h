#ifndef BROWSER_EXTERNAL_LINKS_H_
#define BROWSER_EXTERNAL_LINKS_H_

#include <functional>
#include <map>
#include <set>

#include <QString>

// Links of schemes the client does not handle, which only a desktop's handler could open: the
// viewer is asked once per scheme, and the answer holds until the client ends. Nothing is opened
// before the viewer says so; links of a scheme whose question is open are dropped.
class ExternalLinks {
public:
    enum class Answer { kOpen, kCancel, kNone };
    // Asks the viewer whether url may be opened outside the client; answer runs once. kNone: the
    // question went away unanswered, nothing is remembered.
    using Ask = std::function<void(const QString &url, std::function<void(Answer)> answer)>;
    // Hands url to the desktop's handler.
    using Open = std::function<void(const QString &url)>;

    ExternalLinks(Ask ask, Open open);

    void Request(const QString &url);

private:
    const Ask ask_;
    const Open open_;
    // The viewer's answer per scheme: true to open.
    std::map<QString, bool> answers_;
    std::set<QString> asking_;
};

#endif  // BROWSER_EXTERNAL_LINKS_H_
