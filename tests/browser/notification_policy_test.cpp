// Notifications: the viewer is asked once per origin and the answer outlives the run; a page's
// text reaches the desktop cut and without control characters.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "browser/notification_permissions.h"
#include "browser/notification_presenter.h"
#include "browser/notification_rate_limit.h"

namespace {

using Answer = NotificationPermissions::Answer;

struct Asked {
    std::vector<QString> hosts;
    std::vector<std::function<void(Answer)>> answers;
    NotificationPermissions::Ask ask() {
        return [this](const QString &host, std::function<void(Answer)> answer) {
            hosts.push_back(host);
            answers.push_back(std::move(answer));
        };
    }
};

class NotificationPermissionsTest : public ::testing::Test {
protected:
    QTemporaryDir folder_;
    QString file_ = folder_.filePath(QStringLiteral("settings.conf"));
};

TEST_F(NotificationPermissionsTest, ManyRequestsOneQuestionAndTheAnswerIsKept) {
    Asked asked;
    SettingsFile firstRun(file_);
    NotificationPermissions permissions(firstRun, asked.ask());
    int granted = 0;
    for (int i = 0; i < 1000; ++i) {
        permissions.Request(QStringLiteral("https://live.vantoro.example/"),
                            [&granted](bool allowed) { granted += allowed; });
    }
    ASSERT_EQ(asked.hosts, std::vector<QString>{QStringLiteral("live.vantoro.example")});
    EXPECT_EQ(granted, 0);
    asked.answers[0](Answer::kAllow);
    EXPECT_EQ(granted, 1000);

    // Another run, another spelling of the same origin: no question.
    Asked later;
    SettingsFile secondRun(file_);
    NotificationPermissions again(secondRun, later.ask());
    bool allowed = false;
    again.Request(QStringLiteral("https://live.vantoro.example"), [&](bool a) { allowed = a; });
    EXPECT_TRUE(allowed);
    EXPECT_TRUE(later.hosts.empty());

    // Each origin is its own question; a refusal is kept as well.
    again.Request(QStringLiteral("https://live.vantoro.example:8443"),
                  [&](bool a) { allowed = a; });
    ASSERT_EQ(later.answers.size(), 1u);
    later.answers[0](Answer::kDeny);
    EXPECT_FALSE(allowed);
    SettingsFile thirdRun(file_);
    NotificationPermissions third(thirdRun, Asked().ask());
    allowed = true;
    third.Request(QStringLiteral("https://live.vantoro.example:8443/x"),
                  [&](bool a) { allowed = a; });
    EXPECT_FALSE(allowed);
    // What the engine tells pages before they load.
    using Kept = std::vector<std::pair<QString, bool>>;
    EXPECT_EQ(third.Remembered(), (Kept{{"https://live.vantoro.example:443", true},
                                        {"https://live.vantoro.example:8443", false}}));
}

TEST_F(NotificationPermissionsTest, AQuestionClosedUnansweredIsAskedAgain) {
    Asked asked;
    SettingsFile run(file_);
    NotificationPermissions permissions(run, asked.ask());
    bool allowed = true;
    permissions.Request(QStringLiteral("https://a.example"), [&](bool a) { allowed = a; });
    asked.answers[0](Answer::kNone);
    EXPECT_FALSE(allowed);
    permissions.Request(QStringLiteral("https://a.example"), [&](bool a) { allowed = a; });
    EXPECT_EQ(asked.hosts.size(), 2u);
}

TEST_F(NotificationPermissionsTest, ACorruptFileIsAFileWithoutAnswersAndIsMended) {
    QFile file(file_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x00\xff[[[notifications\n=allow\n", 27);
    file.close();
    Asked asked;
    SettingsFile run(file_);
    NotificationPermissions permissions(run, asked.ask());
    bool allowed = false;
    permissions.Request(QStringLiteral("https://a.example"), [&](bool a) { allowed = a; });
    ASSERT_EQ(asked.answers.size(), 1u);
    asked.answers[0](Answer::kAllow);
    EXPECT_TRUE(allowed);
    SettingsFile laterRun(file_);
    NotificationPermissions again(laterRun, Asked().ask());
    allowed = false;
    again.Request(QStringLiteral("https://a.example"), [&](bool a) { allowed = a; });
    EXPECT_TRUE(allowed);
}

// A flood shows a burst of three, then one a second; another origin has a bucket of its own.
TEST(NotificationRateLimitTest, ABurstThenOneASecondPerOrigin) {
    NotificationRateLimit limit;
    const auto start = NotificationRateLimit::Clock::now();
    using std::chrono::milliseconds;
    int shown = 0;
    for (int i = 0; i < 5000; ++i) {
        shown += limit.Admit("https://a.example", start + milliseconds(i * 2));
    }
    // Ten seconds: three at once and one for each second gone.
    EXPECT_EQ(shown, 3 + 9);
    EXPECT_EQ(limit.dropped(), 5000 - shown);
    EXPECT_TRUE(limit.Admit("https://b.example", start + milliseconds(10000)));
    // Quiet for a while, the bucket is full again, but no fuller.
    const auto later = start + milliseconds(60000);
    EXPECT_TRUE(limit.Admit("https://a.example", later));
    EXPECT_TRUE(limit.Admit("https://a.example", later));
    EXPECT_TRUE(limit.Admit("https://a.example", later));
    EXPECT_FALSE(limit.Admit("https://a.example", later));
}

TEST(NotificationTextTest, PlainAndCut) {
    EXPECT_EQ(
        NotificationPresenter::PlainText(QStringLiteral(" a\x07\x1b[1mb\nc\u202e\u0000 "), 50),
        QStringLiteral("a[1mb\nc"));
    const QString cut = NotificationPresenter::PlainText(QString(10000, QChar(0x957F)), 400);
    EXPECT_EQ(cut.size(), 400);
    EXPECT_EQ(cut.back(), QChar(0x2026));
    // A character outside the basic plane is kept whole or not at all.
    const QString emoji = QString(3, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x8E\xA5") +
                          QStringLiteral("yyyy");
    EXPECT_EQ(NotificationPresenter::PlainText(emoji, 5), QStringLiteral("xxx") + QChar(0x2026));
}

}  // namespace
