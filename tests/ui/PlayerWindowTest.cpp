#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "ui/FilmstripView.h"
#include "ui/FrameView.h"
#include "ui/PlayerWindow.h"
#include "ui/TimelineView.h"

namespace {

bool showsFrame(const PlayerWindow& player, int64_t frame) {
    return QTest::qWaitFor([&] { return player.shownFrame() == frame; }, 120000);
}

// The first frame at or after `seconds` past frame `from`, by the index.
int64_t frameAfter(const nvr::FrameIndex& index, int64_t from, double seconds) {
    const double target = *index.secondsOf(*index.find(from)) + seconds;
    for (const nvr::FrameEntry& entry : index.frames) {
        if (*index.secondsOf(entry) >= target) {
            return entry.frame;
        }
    }
    return static_cast<int64_t>(index.frames.size());
}

// Shown, active (keys reach it) and at its first frame.
void showActiveAtFirstFrame(PlayerWindow& player) {
    player.show();
    player.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&player));
    ASSERT_TRUE(showsFrame(player, 1));
}

}  // namespace

// The tampered demo: its clusters before the overwritten seconds only link
// (nothing ties them to the tag), those after are proven. N from the start
// lands on the first failing frame, which carries its banner; a proven one
// carries none; a still of the failing frame says failing.
TEST(PlayerWindowTest, TamperedDemoBannersFailingFramesAndKeysMoveAsDocumented) {
    QTemporaryDir demo;
    ASSERT_EQ(QProcess::execute(TELVAR_MAKE_DEMO, {demo.path()}), 0);
    PlayerWindow player(demo.filePath("tampered.mkv"), std::nullopt);
    ASSERT_NO_FATAL_FAILURE(showActiveAtFirstFrame(player));
    const nvr::FrameIndex& index = *player.frameIndex();
    ASSERT_EQ(index.frames.front().standing, ClusterStanding::LinkHolds);
    EXPECT_TRUE(player.picture()->hasPicture());
    EXPECT_EQ(player.picture()->bannerText(),
              QStringLiteral("NOT PROVEN: links hold, not tied to the tag"));

    QTest::keyClick(&player, Qt::Key_Period);
    ASSERT_TRUE(showsFrame(player, 2));
    QTest::keyClick(&player, Qt::Key_Comma);
    ASSERT_TRUE(showsFrame(player, 1));
    QTest::keyClick(&player, Qt::Key_Period, Qt::ShiftModifier);
    const int64_t second = frameAfter(index, 1, 1.0);
    ASSERT_GT(second, 2);
    ASSERT_TRUE(showsFrame(player, second));
    QTest::keyClick(&player, Qt::Key_Comma, Qt::ShiftModifier);
    ASSERT_TRUE(showsFrame(player, 1));
    QTest::keyClick(&player, Qt::Key_End);
    ASSERT_TRUE(showsFrame(player, static_cast<int64_t>(index.frames.size())));
    ASSERT_EQ(index.frames.back().standing, ClusterStanding::Proven);
    EXPECT_TRUE(player.picture()->hasPicture());
    EXPECT_TRUE(player.picture()->bannerText().isEmpty());
    EXPECT_TRUE(player.headsUpText().contains(QStringLiteral("verified")));
    QTest::keyClick(&player, Qt::Key_Home);
    ASSERT_TRUE(showsFrame(player, 1));
    QTest::keyClick(&player, Qt::Key_Space);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.shownFrame() > 3; }, 10000));
    QTest::keyClick(&player, Qt::Key_Space);
    EXPECT_FALSE(player.isPlaying());
    QTest::keyClick(&player, Qt::Key_Home);
    ASSERT_TRUE(showsFrame(player, 1));

    int64_t firstFailing = 0;
    for (const nvr::FrameEntry& entry : index.frames) {
        if (entry.standing == ClusterStanding::Failing) {
            firstFailing = entry.frame;
            break;
        }
    }
    ASSERT_GT(firstFailing, 1);
    QTest::keyClick(&player, Qt::Key_N);
    ASSERT_TRUE(showsFrame(player, firstFailing));
    EXPECT_EQ(player.picture()->bannerText(), QStringLiteral("NOT PROVEN: failed"));
    EXPECT_TRUE(player.headsUpText().contains(QStringLiteral("failed")));
    QTest::keyClick(&player, Qt::Key_P);
    ASSERT_TRUE(showsFrame(player, 1));
    QTest::keyClick(&player, Qt::Key_N);
    ASSERT_TRUE(showsFrame(player, firstFailing));

    const QString still = demo.filePath("still.png");
    player.stillPath = [&](int64_t) { return still; };
    QSignalSpy finished(&player, &PlayerWindow::stillFinished);
    QTest::keyClick(&player, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(finished.front().front().toString(), QString());
    QFile record(demo.filePath("still.json"));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const QJsonObject frame = QJsonDocument::fromJson(record.readAll()).object()[QStringLiteral("frame")].toObject();
    EXPECT_EQ(frame[QStringLiteral("frame")].toInt(), firstFailing);
    EXPECT_EQ(frame[QStringLiteral("standing")].toString(), QStringLiteral("failing"));
}

// Sealed is not proven: its pictures carry the banner too.
TEST(PlayerWindowTest, SealedDemoCarriesTheBanner) {
    QTemporaryDir demo;
    ASSERT_EQ(QProcess::execute(TELVAR_MAKE_DEMO, {demo.path()}), 0);
    PlayerWindow player(demo.filePath("sealed.mkv"), std::nullopt);
    ASSERT_TRUE(showsFrame(player, 1));
    EXPECT_EQ(player.picture()->bannerText(),
              QStringLiteral("NOT PROVEN: sealed with the built-in key"));
}

// Opened from a filmstrip picture: at the first frame of its cluster.
TEST(PlayerWindowTest, OpensAtTheFirstFrameOfItsCluster) {
    QTemporaryDir demo;
    ASSERT_EQ(QProcess::execute(TELVAR_MAKE_DEMO, {demo.path()}), 0);
    PlayerWindow player(demo.filePath("tampered.mkv"), 15);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.shownFrame() > 0; }, 120000));
    const nvr::FrameIndex& index = *player.frameIndex();
    const nvr::FrameEntry& shown = *index.find(player.shownFrame());
    EXPECT_EQ(shown.cluster, 15);
    EXPECT_NE(index.find(shown.frame - 1)->cluster, 15);
}

// Without a mouse: Enter on a filmstrip picture opens the player at its
// cluster; in the player every control Tab reaches has a name, every
// button is among them, and Enter on a span of its timeline seeks there.
TEST(PlayerWindowTest, KeyboardReachesThePlayerAndEachOfItsControls) {
    ReportPicture picture;
    picture.cluster = 15;
    picture.label = "Cluster 15";
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QImage(8, 8, QImage::Format_RGB32).save(&png, "PNG");
    picture.png.assign(png.data().begin(), png.data().end());
    FilmstripView strip;
    strip.setPictures({picture});
    QWidget* tile = nullptr;
    for (QWidget* const part : strip.widget()->findChildren<QWidget*>()) {
        if (part->focusPolicy() == Qt::StrongFocus) {
            tile = part;
        }
    }
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->accessibleName(), QStringLiteral("Play from here: Cluster 15"));
    QSignalSpy play(&strip, &FilmstripView::playRequested);
    QTest::keyClick(tile, Qt::Key_Return);
    ASSERT_EQ(play.count(), 1);
    EXPECT_EQ(play.front().front().toLongLong(), 15);

    QTemporaryDir demo;
    ASSERT_EQ(QProcess::execute(TELVAR_MAKE_DEMO, {demo.path()}), 0);
    PlayerWindow player(demo.filePath("tampered.mkv"), std::nullopt);
    ASSERT_NO_FATAL_FAILURE(showActiveAtFirstFrame(player));
    QStringList names;
    int buttons = 0;
    for (QWidget* w = player.nextInFocusChain(); w != &player; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && w->isVisibleTo(&player)) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
            names << w->accessibleName();
            buttons += qobject_cast<QToolButton*>(w) != nullptr ? 1 : 0;
        }
    }
    EXPECT_EQ(buttons, player.findChildren<QToolButton*>().size());
    EXPECT_TRUE(names.contains(QStringLiteral("Play or pause")));
    EXPECT_TRUE(names.contains(QStringLiteral("Authenticity timeline")));
    TimelineView* const bar = player.timeline();
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    ASSERT_EQ(bar->currentRun(), 1);
    QTest::keyClick(bar, Qt::Key_Return);
    const int64_t cluster = *bar->currentCluster();
    ASSERT_NE(player.frameIndex()->find(1)->cluster, cluster);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return player.frameIndex()->find(player.shownFrame())->cluster == cluster; }, 60000));
}
