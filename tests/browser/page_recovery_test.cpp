// Pages that come back by themselves: after their process ended, and after the network failed
// them.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/load_retry.h"
#include "browser/render_recovery.h"
#include "browser/simple_handler.h"
#include "tests/browser/engine_doubles.h"
#include "tests/browser/fake_page_window.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(RenderRecovery, ReloadsOnceThenShowsTheErrorPageWithinAMinute) {
    RenderRecovery recovery;
    const RenderRecovery::Clock::time_point start;
    EXPECT_EQ(recovery.terminated(1, start), RenderRecovery::Action::Reload);
    // Another browser's end is its own.
    EXPECT_EQ(recovery.terminated(2, start), RenderRecovery::Action::Reload);
    EXPECT_EQ(recovery.terminated(1, start + seconds(59)), RenderRecovery::Action::ShowErrorPage);
    // The error page's end counts too: a minute after it, the page is reloaded again.
    EXPECT_EQ(recovery.terminated(1, start + seconds(119)), RenderRecovery::Action::Reload);
    recovery.forget(2);
    EXPECT_EQ(recovery.terminated(2, start + seconds(1)), RenderRecovery::Action::Reload);
}

class LoadRetryTest : public ::testing::Test {
protected:
    void make(milliseconds unit) {
        retry.reset(new LoadRetry([this](const std::string &url) { loads.push_back(url); }, unit));
    }
    int pendingDelay() {
        QTimer *timer = retry->findChild<QTimer *>();
        return timer->isActive() ? timer->interval() : -1;
    }

    std::vector<std::string> loads;
    std::unique_ptr<LoadRetry> retry;
};

TEST_F(LoadRetryTest, BacksOffWithOneLoadAtATime) {
    make(milliseconds(3));
    const std::vector<int> steps = {2, 4, 8, 16, 32, 60, 60};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        QElapsedTimer waited;
        waited.start();
        retry->failed("https://a.example/");
        EXPECT_EQ(pendingDelay(), steps[i] * 3) << i;
        while (loads.size() <= i && !waited.hasExpired(10000)) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        ASSERT_EQ(loads.size(), i + 1);
        EXPECT_GE(waited.elapsed(), steps[i] * 3);
        // Nothing waits while the load is out, whatever the system reports.
        EXPECT_TRUE(retry->loadInFlight());
        EXPECT_EQ(pendingDelay(), -1);
        retry->networkBack();
        EXPECT_EQ(loads.size(), i + 1);
    }
    EXPECT_EQ(loads.back(), "https://a.example/");
}

TEST_F(LoadRetryTest, NetworkBackRunsOneRetryEarlyAndKeepsTheSteps) {
    make(seconds(1));
    retry->failed("https://a.example/");
    retry->networkBack();
    EXPECT_EQ(loads.size(), 1u);
    retry->failed("https://a.example/");
    // A flapping network: the next report waits for a retry that ran on time.
    retry->networkBack();
    EXPECT_EQ(loads.size(), 1u);
    EXPECT_EQ(pendingDelay(), 4000);

    // Another page starts from the first step; stopping ends everything.
    retry->failed("https://b.example/");
    EXPECT_EQ(pendingDelay(), 2000);
    EXPECT_EQ(retry->url(), "https://b.example/");
    retry->stop();
    EXPECT_EQ(pendingDelay(), -1);
    retry->networkBack();
    EXPECT_EQ(loads.size(), 1u);
}

TEST_F(LoadRetryTest, MinimisedWindowHoldsTheRetryUntilItComesBack) {
    make(seconds(1));
    retry->failed("https://a.example/");
    retry->setSuspended(true);
    retry->networkBack();
    EXPECT_TRUE(loads.empty());
    retry->setSuspended(false);
    EXPECT_EQ(loads, std::vector<std::string>{"https://a.example/"});
}

TEST(LoadRetryErrors, OnlyTheNetworkFailsALoadForRetrying) {
    for (const int code : std::initializer_list<int>{
             ERR_INTERNET_DISCONNECTED, ERR_NAME_NOT_RESOLVED, ERR_CONNECTION_REFUSED,
             ERR_CONNECTION_RESET, ERR_CONNECTION_TIMED_OUT, ERR_NETWORK_CHANGED}) {
        EXPECT_TRUE(LoadRetry::isNetworkError(code)) << code;
    }
    for (const int code :
         std::initializer_list<int>{ERR_ABORTED, ERR_CERT_AUTHORITY_INVALID, ERR_SSL_PROTOCOL_ERROR,
                                    ERR_INVALID_URL, ERR_FAILED, 404}) {
        EXPECT_FALSE(LoadRetry::isNetworkError(code)) << code;
    }
}

class PageRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        handler->OnAfterCreated(main);
        handler->OnAfterCreated(popup);
        main->mainFrame->url = "https://live.example/room";
        popup->mainFrame->url = "https://live.example/popup";
    }
    void TearDown() override {
        handler->OnBeforeClose(popup);
        handler->OnBeforeClose(main);
    }

    FakePageWindow window;
    CefRefPtr<SimpleHandler> handler = new SimpleHandler(&window);
    CefRefPtr<RecordingBrowser> main = new RecordingBrowser(21);
    CefRefPtr<RecordingBrowser> popup = new RecordingBrowser(22);
};

TEST_F(PageRecoveryTest, AnEndedPageIsReloadedOnceThenReplacedByTheErrorPage) {
    for (CefRefPtr<RecordingBrowser> browser : {main, popup}) {
        const std::string url = browser->mainFrame->url;
        handler->OnRenderProcessTerminated(browser.get(), TS_PROCESS_CRASHED);
        EXPECT_EQ(browser->mainFrame->loadedUrls, std::vector<std::string>{url});
        // Dying again during that reload.
        handler->OnRenderProcessTerminated(browser.get(), TS_PROCESS_WAS_KILLED);
        ASSERT_EQ(browser->mainFrame->loadedUrls.size(), 2u);
        const std::string errorPage = browser->mainFrame->loadedUrls.back();
        EXPECT_EQ(errorPage.rfind("data:text/html;base64,", 0), 0u);

        // Reload brings the page back rather than the error page; the plain reload is for
        // every other page.
        handler->ReloadPage(browser.get());
        EXPECT_EQ(browser->mainFrame->loadedUrls.back(), url);
        EXPECT_TRUE(browser->reloads.empty());
        handler->ReloadPage(browser.get());
        EXPECT_EQ(browser->reloads, std::vector<bool>{false});
    }
}

TEST_F(PageRecoveryTest, OnlyTheWindowsPageLostToTheNetworkSaysItRetries) {
    const char kLine[] = "<p>&#31245;&#21518;";
    CefRefPtr<RecordingFrame> frame = new RecordingFrame;
    const auto pageOf = [&](CefRefPtr<RecordingBrowser> browser, int code) {
        handler->GetLoadHandler()->OnLoadError(
            browser.get(), frame.get(), static_cast<ErrorCode>(code), "e", "https://live.example/");
        const std::string uri = frame->loadedUrls.back();
        return QByteArray::fromBase64(QByteArray::fromPercentEncoding(
                                          QByteArray::fromStdString(uri.substr(uri.find(',') + 1))))
            .toStdString();
    };
    EXPECT_NE(pageOf(main, ERR_CONNECTION_REFUSED).find(kLine), std::string::npos);
    EXPECT_EQ(pageOf(main, ERR_CERT_AUTHORITY_INVALID).find(kLine), std::string::npos);
    EXPECT_EQ(pageOf(popup, ERR_CONNECTION_REFUSED).find(kLine), std::string::npos);
}

}  // namespace
