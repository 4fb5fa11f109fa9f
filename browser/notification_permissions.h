#ifndef BROWSER_NOTIFICATION_PERMISSIONS_H_
#define BROWSER_NOTIFICATION_PERMISSIONS_H_

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include <QString>

#include "paths/settings_file.h"

// Which origins may show notifications: the viewer's answer, asked once per origin and kept in
// the settings file's "notifications" group. However often a page asks, the viewer sees one
// question; requests made while it is open share its answer.
class NotificationPermissions {
public:
    enum class Answer { kAllow, kDeny, kNone };
    // Asks the viewer whether host may send notifications; answer runs once. kNone: the question
    // went away unanswered, nothing is remembered.
    using Ask = std::function<void(const QString &host, std::function<void(Answer)> answer)>;

    NotificationPermissions(SettingsFile &settings_file, Ask ask);

    // done gets true when origin ("scheme://host[:port]", anything after it is ignored) may show
    // notifications, now or once the viewer has answered.
    void Request(const QString &origin, std::function<void(bool)> done);

    // The kept answers: each origin ("scheme://host:port") and whether it may show notifications.
    std::vector<std::pair<QString, bool>> Remembered() const;

private:
    void Answered(const QString &key, Answer answer);

    SettingsFile &settings_file_;
    const Ask ask_;
    // The requests of each origin whose question is open.
    std::map<QString, std::vector<std::function<void(bool)>>> waiting_;
};

#endif  // BROWSER_NOTIFICATION_PERMISSIONS_H_
