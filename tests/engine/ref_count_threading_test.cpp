#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "include/cef_base.h"

namespace {

class Shared : public virtual CefBaseRefCounted {
public:
    explicit Shared(std::atomic<int> *destroyed) : destroyed_(destroyed) {}
    ~Shared() override { ++*destroyed_; }

private:
    std::atomic<int> *destroyed_;
    IMPLEMENT_REFCOUNTING(Shared);
};

const int kThreads = 8;

TEST(RefCountThreading, ConcurrentReferencesKeepTheCount) {
    std::atomic<int> destroyed{0};
    CefRefPtr<Shared> object(new Shared(&destroyed));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&object] {
            for (int i = 0; i < 20000; ++i) {
                CefRefPtr<Shared> copy(object);
                copy->AddRef();
                copy->Release();
            }
        });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
    EXPECT_EQ(destroyed, 0);
    EXPECT_TRUE(object->HasOneRef());
    object = nullptr;
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCountThreading, ExactlyOneConcurrentReleaseDestroys) {
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> destroyed{0};
        std::atomic<int> reported{0};
        Shared *object = new Shared(&destroyed);
        for (int t = 0; t < kThreads; ++t) {
            object->AddRef();
        }
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                while (!go) {
                    std::this_thread::yield();
                }
                if (object->Release()) {
                    ++reported;
                }
            });
        }
        go = true;
        for (std::thread &thread : threads) {
            thread.join();
        }
        ASSERT_EQ(destroyed, 1);
        ASSERT_EQ(reported, 1);
    }
}

}  // namespace
