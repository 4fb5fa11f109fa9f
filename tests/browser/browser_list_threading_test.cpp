// The engine's thread records and forgets browsers while the window's thread looks them up.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "browser/simple_handler.h"
#include "tests/browser/engine_doubles.h"
#include "tests/browser/fake_page_window.h"

namespace {

TEST(BrowserListThreading, SnapshotsAndIdentifierStayConsistentWhileBrowsersComeAndGo) {
    constexpr int kBrowsers = 2000;
    FakePageWindow window;
    CefRefPtr<SimpleHandler> handler = new SimpleHandler(&window);
    std::atomic<bool> readerStarted{false};
    std::atomic<bool> done{false};

    std::thread engine([&] {
        // On a busy machine the writer could otherwise be through before the reader looks once.
        while (!readerStarted) {
            std::this_thread::yield();
        }
        for (int id = 1; id <= kBrowsers; ++id) {
            CefRefPtr<CefBrowser> browser = new RecordingBrowser(id);
            handler->OnAfterCreated(browser);
            // A pop-up with the same client comes and goes while the main browser is open.
            CefRefPtr<CefBrowser> popup = new RecordingBrowser(-id);
            handler->OnAfterCreated(popup);
            handler->OnBeforeClose(popup);
            handler->OnBeforeClose(browser);
        }
        done = true;
    });

    // Checked without leaving the loop early, so the engine thread is always joined.
    int lastSeen = 0;
    bool popupListed = false;
    bool wentBack = false;
    bool popupMain = false;
    readerStarted = true;
    do {
        const SimpleHandler::BrowserList list = handler->GetBrowserList();
        if (!list.empty()) {
            const int id = list.front()->GetIdentifier();
            popupListed |= list.size() > 1 || id < 0;
            wentBack |= id < lastSeen;
            lastSeen = id;
        }
        // The main browser is looked up in the same list.
        if (const CefRefPtr<CefBrowser> main = handler->MainBrowser()) {
            popupMain |= main->GetIdentifier() < 0;
        }
    } while (!done);
    engine.join();

    EXPECT_FALSE(popupListed);
    EXPECT_FALSE(wentBack);
    EXPECT_FALSE(popupMain);
    EXPECT_TRUE(handler->GetBrowserList().empty());
    EXPECT_EQ(handler->MainBrowser(), nullptr);
}

}  // namespace
