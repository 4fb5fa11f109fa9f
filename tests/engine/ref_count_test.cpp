#include <gtest/gtest.h>

#include "include/cef_app.h"

namespace {

// Counts destructions so a test can tell "released" from "destroyed".
class Tracked : public CefApp, public CefBrowserProcessHandler {
public:
    explicit Tracked(int *destroyed) : destroyed_(destroyed) {}
    ~Tracked() override { ++*destroyed_; }
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }

private:
    int *destroyed_;
    IMPLEMENT_REFCOUNTING(Tracked);
};

TEST(RefCount, ReleaseReportsTrueExactlyWhenItDestroys) {
    int destroyed = 0;
    Tracked *object = new Tracked(&destroyed);
    EXPECT_FALSE(object->HasAtLeastOneRef());
    object->AddRef();
    object->AddRef();
    EXPECT_FALSE(object->HasOneRef());
    EXPECT_FALSE(object->Release());
    EXPECT_TRUE(object->HasOneRef());
    EXPECT_EQ(destroyed, 0);
    EXPECT_TRUE(object->Release());
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCount, InterfacesOfOneObjectShareOneCount) {
    int destroyed = 0;
    CefRefPtr<CefApp> app(new Tracked(&destroyed));
    CefRefPtr<CefBrowserProcessHandler> handler = app->GetBrowserProcessHandler();
    EXPECT_FALSE(app->HasOneRef());
    app = nullptr;
    EXPECT_EQ(destroyed, 0);
    EXPECT_TRUE(handler->HasOneRef());
    handler = nullptr;
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCount, PointerCopiesMovesAndAssignmentsKeepTheCountRight) {
    int destroyed = 0;
    CefRefPtr<Tracked> first(new Tracked(&destroyed));
    {
        CefRefPtr<Tracked> copy(first);
        CefRefPtr<Tracked> moved(std::move(copy));
        EXPECT_EQ(copy.get(), nullptr);
        CefRefPtr<CefApp> converted(moved);
        EXPECT_FALSE(first->HasOneRef());
        converted = converted;
        moved = moved.get();
    }
    EXPECT_TRUE(first->HasOneRef());

    int other_destroyed = 0;
    CefRefPtr<Tracked> second(new Tracked(&other_destroyed));
    second = first;
    EXPECT_EQ(other_destroyed, 1);
    EXPECT_EQ(destroyed, 0);
    first = nullptr;
    second = nullptr;
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
