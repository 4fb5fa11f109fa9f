// The handler's record of the window's browser: which browser it keeps, what the window learns of
// it, how references are held and given up, and how many downloads it lets run.
#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include "browser/simple_handler.h"
#include "tests/browser/engine_doubles.h"
#include "tests/browser/fake_page_window.h"

namespace {

class SimpleHandlerTest : public ::testing::Test {
protected:
    FakePageWindow window;
    CefRefPtr<SimpleHandler> handler = new SimpleHandler(&window);
};

std::vector<int> identifiers(const SimpleHandler::BrowserList &list) {
    std::vector<int> result;
    for (const auto &browser : list) {
        result.push_back(browser->GetIdentifier());
    }
    return result;
}

TEST_F(SimpleHandlerTest, KeepsTheFirstBrowserAndIgnoresPopUps) {
    EXPECT_TRUE(handler->GetBrowserList().empty());

    CefRefPtr<CefBrowser> main = new RecordingBrowser(7);
    handler->OnAfterCreated(main);
    EXPECT_EQ(identifiers(handler->GetBrowserList()), std::vector<int>{7});
    EXPECT_EQ(handler->MainBrowser(), main);

    // A pop-up opened with the same client neither joins the list nor takes over the window.
    CefRefPtr<CefBrowser> popup = new RecordingBrowser(8);
    handler->OnAfterCreated(popup);
    EXPECT_EQ(identifiers(handler->GetBrowserList()), std::vector<int>{7});
    EXPECT_EQ(handler->MainBrowser(), main);
    // The window hears of its own browser only, on its own thread's next turn.
    EXPECT_EQ(window.browsersCreated, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.browsersCreated, 1);

    handler->OnBeforeClose(popup);
    EXPECT_EQ(identifiers(handler->GetBrowserList()), std::vector<int>{7});

    handler->OnBeforeClose(main);
    EXPECT_TRUE(handler->GetBrowserList().empty());
    EXPECT_EQ(handler->MainBrowser(), nullptr);
}

TEST_F(SimpleHandlerTest, ClosingRecognisesTheBrowserByIdentityNotByObject) {
    handler->OnAfterCreated(new RecordingBrowser(3));
    // The engine may hand over another object for the same browser when it closes.
    handler->OnBeforeClose(new RecordingBrowser(3));
    EXPECT_TRUE(handler->GetBrowserList().empty());
}

TEST_F(SimpleHandlerTest, ClosingUnknownBrowsersChangesNothing) {
    handler->OnBeforeClose(new RecordingBrowser(1));
    EXPECT_TRUE(handler->GetBrowserList().empty());

    handler->OnAfterCreated(new RecordingBrowser(2));
    handler->OnBeforeClose(new RecordingBrowser(5));
    EXPECT_EQ(identifiers(handler->GetBrowserList()), std::vector<int>{2});

    handler->OnBeforeClose(new RecordingBrowser(2));
    // Closing again once the list is empty is harmless.
    handler->OnBeforeClose(new RecordingBrowser(2));
    EXPECT_TRUE(handler->GetBrowserList().empty());
}

TEST_F(SimpleHandlerTest, RecordsABrowserAgainOnceTheListIsEmpty) {
    handler->OnAfterCreated(new RecordingBrowser(4));
    handler->OnBeforeClose(new RecordingBrowser(4));
    handler->OnAfterCreated(new RecordingBrowser(9));
    EXPECT_EQ(identifiers(handler->GetBrowserList()), std::vector<int>{9});
    EXPECT_EQ(handler->MainBrowser()->GetIdentifier(), 9);
}

TEST_F(SimpleHandlerTest, NeverTakesOverAClose) {
    CefRefPtr<CefBrowser> main = new RecordingBrowser(1);
    handler->OnAfterCreated(main);
    EXPECT_FALSE(handler->DoClose(main));
    EXPECT_FALSE(handler->DoClose(new RecordingBrowser(2)));
}

TEST_F(SimpleHandlerTest, SnapshotsHoldReferencesOfTheirOwn) {
    bool destroyed = false;
    handler->OnAfterCreated(new RecordingBrowser(6, &destroyed));
    SimpleHandler::BrowserList snapshot = handler->GetBrowserList();

    handler->OnBeforeClose(new RecordingBrowser(6));
    EXPECT_FALSE(destroyed);
    ASSERT_EQ(identifiers(snapshot), std::vector<int>{6});

    snapshot.clear();
    EXPECT_TRUE(destroyed);
}

TEST(SimpleHandlerLifetime, ReleaseReportsDestructionAndDropsTheBrowser) {
    bool browserDestroyed = false;
    FakePageWindow window;
    SimpleHandler *handler = new SimpleHandler(&window);
    handler->AddRef();
    handler->AddRef();
    handler->OnAfterCreated(new RecordingBrowser(11, &browserDestroyed));
    EXPECT_FALSE(handler->HasOneRef());

    EXPECT_FALSE(handler->Release());
    EXPECT_TRUE(handler->HasOneRef());
    EXPECT_FALSE(browserDestroyed);

    EXPECT_TRUE(handler->Release());
    EXPECT_TRUE(browserDestroyed);
}

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
QString startDownload(SimpleHandler &handler, const char *name) {
    CefRefPtr<RecordingStart> start = new RecordingStart;
    handler.OnBeforeDownload(nullptr, new StubDownloadItem(true), name, start);
    return start->path;
}

TEST(SimpleHandlerDownloads, AtMostThreeRunAtOnceAndAnEndedOneMakesRoom) {
    FakePageWindow window;
    CefRefPtr<SimpleHandler> handler = new SimpleHandler(&window);
    QStringList running;
    for (const char *name : {"a.mp4", "b.mp4", "c.mp4"}) {
        running << startDownload(*handler, name);
        EXPECT_FALSE(running.last().isEmpty()) << name;
    }
    EXPECT_TRUE(startDownload(*handler, "d.mp4").isEmpty());

    handler->OnDownloadUpdated(nullptr, new StubDownloadItem(true, running.takeFirst(), true),
                               new IgnoredCancel);
    EXPECT_FALSE(startDownload(*handler, "e.mp4").isEmpty());
    EXPECT_TRUE(startDownload(*handler, "f.mp4").isEmpty());
}

}  // namespace
