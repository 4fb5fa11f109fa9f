#include "browser/external_links.h"

#include <utility>

#include <QUrl>

ExternalLinks::ExternalLinks(Ask ask, Open open) : ask_(std::move(ask)), open_(std::move(open)) {}

void ExternalLinks::Request(const QString &url) {
    const QString scheme = QUrl(url).scheme().toLower();
    if (scheme.isEmpty()) {
        return;
    }
    const auto known = answers_.find(scheme);
    if (known != answers_.end()) {
        if (known->second) {
            open_(url);
        }
        return;
    }
    if (!asking_.insert(scheme).second) {
        return;
    }
    ask_(url, [this, scheme, url](Answer answer) {
        asking_.erase(scheme);
        if (answer == Answer::kNone) {
            return;
        }
        answers_[scheme] = answer == Answer::kOpen;
        if (answer == Answer::kOpen) {
            open_(url);
        }
    });
}
