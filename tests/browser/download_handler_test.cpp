// How many downloads the handler lets run at once, and what the viewer hears of one refused.
#include <QStringList>

#include <gtest/gtest.h>

#include "browser/download_handler.h"
#include "include/cef_download_item.h"

namespace {

// A download as the engine reports it; only what the handler asks of it.
class StubDownloadItem : public CefDownloadItem {
public:
    StubDownloadItem(bool gesture, const QString &path = QString(), bool complete = false)
        : gesture_(gesture), path_(path), complete_(complete) {}

    bool IsInProgress() override { return !path_.isEmpty() && !complete_; }
    bool IsComplete() override { return complete_; }
    bool IsCanceled() override { return false; }
    CefString GetFullPath() override { return CefString(path_.toStdU16String()); }
    bool HasUserGesture() override { return gesture_; }
    int64 GetReceivedBytes() override { return 0; }
    int64 GetTotalBytes() override { return -1; }

private:
    bool gesture_;
    QString path_;
    bool complete_;

    IMPLEMENT_REFCOUNTING(StubDownloadItem);
};

class RecordingStart : public CefBeforeDownloadCallback {
public:
    QString path;

    void Continue(const CefString &download_path, bool) override {
        path = QString::fromStdU16String(download_path.ToString16());
    }

    IMPLEMENT_REFCOUNTING(RecordingStart);
};

class IgnoredCancel : public CefDownloadItemCallback {
public:
    void Cancel() override {}

    IMPLEMENT_REFCOUNTING(IgnoredCancel);
};

// What the handler answers a page that clicked for a download: the path it gave, or empty.
QString startDownload(DownloadHandler &handler, const char *name) {
    CefRefPtr<RecordingStart> start = new RecordingStart;
    handler.OnBeforeDownload(nullptr, new StubDownloadItem(true), name, start);
    return start->path;
}

TEST(Downloads, AtMostThreeRunAtOnceAndAnEndedOneMakesRoom) {
    QStringList notices;
    CefRefPtr<DownloadHandler> handler =
        new DownloadHandler([&notices](const QString &text) { notices << text; });
    QStringList running;
    for (const char *name : {"a.mp4", "b.mp4", "c.mp4"}) {
        running << startDownload(*handler, name);
        EXPECT_FALSE(running.last().isEmpty()) << name;
    }
    EXPECT_TRUE(startDownload(*handler, "d.mp4").isEmpty());
    EXPECT_EQ(notices, QStringList{QStringLiteral("同时下载过多, 已拦截: d.mp4")});

    handler->OnDownloadUpdated(nullptr, new StubDownloadItem(true, running.takeFirst(), true),
                               new IgnoredCancel);
    EXPECT_FALSE(startDownload(*handler, "e.mp4").isEmpty());
    EXPECT_TRUE(startDownload(*handler, "f.mp4").isEmpty());
}

}  // namespace
