#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>

#include "ui/RecordingDrop.h"

TEST(RecordingDropTest, PathsKeepTheirOrder) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/rec/b.mkv"), QUrl::fromLocalFile("/rec/a.mkv")});
    EXPECT_EQ(droppedPaths(data), QStringList({"/rec/b.mkv", "/rec/a.mkv"}));
}

TEST(RecordingDropTest, AnyRemoteUrlYieldsNoPathAtAll) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/rec/a.mkv"), QUrl("https://example.com/b.mkv")});
    EXPECT_TRUE(droppedPaths(data).isEmpty());
    EXPECT_FALSE(acceptsRecordings(data));
}

TEST(RecordingDropTest, TextWithoutUrlsIsRefused) {
    QMimeData data;
    data.setText("/rec/a.mkv");
    EXPECT_FALSE(acceptsRecordings(data));
    EXPECT_TRUE(droppedPaths(data).isEmpty());
}

TEST(RecordingDropTest, SuffixIsTakenAfterTheLastDotOfTheName) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/rec.mkv/clip")});
    EXPECT_FALSE(acceptsRecordings(data));
    data.setUrls({QUrl::fromLocalFile("/rec.d/clip.2026.mkv")});
    EXPECT_TRUE(acceptsRecordings(data));
}
