// The handler's record of the window's browser: which browser it keeps, what the window learns of
// it, and how references are held and given up.
#include <QCoreApplication>

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

}  // namespace
