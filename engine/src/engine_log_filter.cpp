#include "src/engine_log_filter.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstring>

namespace {

// Qt hands back its default handler when no other was installed, so this is never null once set.
QtMessageHandler previous_handler = nullptr;

// Notices Qt WebEngine writes in the default category while it starts.
const char *const kEngineNotices[] = {
    "Sandboxing disabled by user.",
    "Remote debugging server started successfully.",
    "No suitable graphics backend found",
};

bool isEngineMessage(const QMessageLogContext &context, const QString &message) {
    const char *category = context.category ? context.category : "";
    if (std::strcmp(category, "js") == 0 || std::strncmp(category, "qt.webengine", 12) == 0) {
        return true;
    }
    for (const char *notice : kEngineNotices) {
        if (message.startsWith(QLatin1String(notice))) {
            return true;
        }
    }
    return false;
}

void filterMessage(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type != QtFatalMsg && isEngineMessage(context, message)) {
        return;
    }
    previous_handler(type, context, message);
}

}  // namespace

void silenceEngineMessages() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        previous_handler = qInstallMessageHandler(filterMessage);
    }
}
