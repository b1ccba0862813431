// SPDX-License-Identifier: Apache-2.0
#include "tools/app/CallLogModel.h"
#include "tools/app/Watchdog.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

QStringList rows(const CallLogModel &model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.data(model.index(row)).toString());
    return texts;
}

} // namespace

TEST(frame_app_test, call_log_view_keeps_the_most_recent_calls_and_counts_the_rest)
{
    CallLogModel model(3);
    QList<QPair<qint64, int>> changed;
    QObject::connect(&model, &CallLogModel::changed, [&](qint64 leftOut, int shown) {
        changed.append({leftOut, shown});
    });
    for (const char *text : {"a", "b", "c", "d", "e"})
        model.append(QString::fromLatin1(text), *text == 'd');
    // Views hear of new calls in batches.
    EXPECT_EQ(model.rowCount(), 0);
    model.flush();
    EXPECT_EQ(rows(model), (QStringList{"c", "d", "e"}));
    EXPECT_EQ(model.leftOut(), 2);
    EXPECT_TRUE(model.data(model.index(1), Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(0), Qt::ForegroundRole).isValid());

    model.append(QStringLiteral("f"), false);
    model.append(QStringLiteral("g"), false);
    model.flush();
    EXPECT_EQ(rows(model), (QStringList{"e", "f", "g"}));
    EXPECT_EQ(model.leftOut(), 4);
    EXPECT_EQ(changed, (QList<QPair<qint64, int>>{{2, 3}, {4, 3}}));

    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.leftOut(), 0);
}

TEST(frame_app_test, watchdog_names_what_was_still_running_when_it_stops_the_process)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Watchdog watchdog(1, 6, QStringLiteral("stopped 30 s after the timeout"));
            watchdog.setActivity(QStringLiteral("loading the device description /tmp/Big.kqd"));
            std::this_thread::sleep_for(std::chrono::seconds(20));
        },
        ::testing::ExitedWithCode(6),
        "quiravel-frame: stopped 30 s after the timeout while loading the device description /tmp/Big.kqd");

    // One that is cancelled in time says nothing.
    const auto start = std::chrono::steady_clock::now();
    {
        Watchdog watchdog(60, 6, QStringLiteral("never"));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}
