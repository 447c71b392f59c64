#include <gtest/gtest.h>

#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <array>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "ui/RecordingDrop.h"
#include "ui/ResultText.h"
#include "verification/PathBytes.h"

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

// The drop, the walk and the file dialog take a recording by one rule.
TEST(RecordingDropTest, RecordingsAreNamedMkvInAnyCase) {
    EXPECT_TRUE(isRecordingName("/rec/UPPER.MKV"));
    EXPECT_TRUE(isRecordingName("clip.Mkv"));
    EXPECT_FALSE(isRecordingName("/rec.mkv/clip"));
    EXPECT_FALSE(isRecordingName("/rec/clip.mkv.part"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/rec/UPPER.MKV")});
    EXPECT_TRUE(acceptsRecordings(data));
    EXPECT_TRUE(recordingFilter().contains("*.[mM][kK][vV]"));
}

// "--help" is no file to verify, whatever follows it; after "--" all are.
TEST(RecordingDropTest, OptionsAreNoPaths) {
    const char* const argv[] = {
        "telvar-authenticator", "--help", "a.mkv", "-x", "--", "--version", "-"};
    const StartArguments got = startArguments(7, argv);
    EXPECT_TRUE(got.help);
    EXPECT_FALSE(got.version);
    EXPECT_EQ(got.unknownOption, "-x");
    EXPECT_EQ(got.paths, QStringList({"a.mkv", "--version", "-"}));
    EXPECT_TRUE(startArguments(2, std::array<const char*, 2>{"p", "-v"}.data()).version);
}

// --examiner-key takes the next argument or what follows "=", as
// telvar-verify does; given last or empty it is a usage error, and after
// "--" it is a path like any other.
TEST(RecordingDropTest, ExaminerKeyTakesItsValue) {
    const char* const spaced[] = {"p", "--examiner-key", "-k.pem", "a.mkv"};
    StartArguments got = startArguments(4, spaced);
    EXPECT_EQ(got.examinerKey, "-k.pem");
    EXPECT_EQ(got.paths, QStringList({"a.mkv"}));
    EXPECT_TRUE(got.usageError.isEmpty());
    const char* const joined[] = {"p", "--examiner-key=k=1.pem"};
    EXPECT_EQ(startArguments(2, joined).examinerKey, "k=1.pem");
    for (const char* const last : {"--examiner-key", "--examiner-key="}) {
        const char* const argv[] = {"p", "a.mkv", last};
        got = startArguments(3, argv);
        EXPECT_EQ(got.usageError, "--examiner-key needs a value") << last;
        EXPECT_TRUE(got.unknownOption.isEmpty());
    }
    const char* const after[] = {"p", "--", "--examiner-key", "k.pem"};
    got = startArguments(4, after);
    EXPECT_TRUE(got.examinerKey.isEmpty());
    EXPECT_EQ(got.paths, QStringList({"--examiner-key", "k.pem"}));
}

// A relative path keeps the bytes that are not UTF-8 when made absolute.
TEST(RecordingDropTest, RelativePathBecomesAbsoluteByItsBytes) {
    char here[4096];
    ASSERT_NE(::getcwd(here, sizeof here), nullptr);
    const QString path = absolutePath(pathFromBytes("casework/./tampered_\xff\xfe.mkv"));
    EXPECT_EQ(pathBytes(path), QByteArray(here) + "/casework/tampered_\xff\xfe.mkv");
    EXPECT_EQ(pathBytes(fileNameOf(path)), "tampered_\xff\xfe.mkv");
    EXPECT_EQ(absolutePath("/a/../b.mkv"), "/b.mkv");
}

TEST(RecordingDropTest, PathBytesComeBackExactly) {
    // Lone continuation bytes, a cut sequence, an encoded surrogate, an
    // overlong slash, then valid UTF-8 of two, three and four bytes.
    const QByteArray raw("caf\xe9-\xff-\xe2\x82-\xed\xa0\x80-\xc0\xaf/\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xa5");
    const QString path = pathFromBytes(raw);
    EXPECT_EQ(pathBytes(path), raw);
    EXPECT_TRUE(path.endsWith(QString::fromUtf8("/\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xa5")));
    EXPECT_EQ(pathFromBytes("vid\xc3\xa9o.mkv"), QString::fromUtf8("vid\xc3\xa9o.mkv"));
    EXPECT_EQ(shownText(path).left(12), "caf\\xE9-\\xFF");
}

// Every entry of the folder ends in the list or, by name, in a note.
TEST(RecordingDropTest, FolderWalkNamesEveryEntryItSkips) {
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    const auto touch = [&](const QByteArray& name) {
        std::ofstream(std::string((root + '/' + name).constData())) << "x";
    };
    for (const char* folder : {"sub", "locked", ".hidden-dir", "sub/deeper"}) {
        ASSERT_EQ(::mkdir((root + '/' + folder).constData(), 0700), 0);
    }
    touch("caf\xe9-\xff.mkv");
    touch("b.mkv");
    touch("sub/deeper/a.mkv");
    touch("locked/inside.mkv");
    touch("secret.mkv");
    touch(".dot.mkv");
    touch("notes.txt");
    touch("UPPER.MKV");
    ASSERT_EQ(::mkfifo((root + "/pipe.mkv").constData(), 0600), 0);
    ASSERT_EQ(::symlink((root + "/sub").constData(), (root + "/link-dir").constData()), 0);
    ASSERT_EQ(::symlink((root + "/gone").constData(), (root + "/broken.mkv").constData()), 0);
    ASSERT_EQ(::symlink((root + "/b.mkv").constData(), (root + "/c-link.mkv").constData()), 0);

    const auto unreadable = [&](const QByteArray& path) {
        return !path.endsWith("/locked") && !path.endsWith("/secret.mkv");
    };
    const CollectedRecordings got = collectRecordings({dir.path() + '/'}, unreadable);
    QList<QByteArray> files;
    for (const QString& file : got.files) {
        files << pathBytes(file).mid(root.size() + 1);
    }
    EXPECT_EQ(files, QList<QByteArray>({"UPPER.MKV", "b.mkv", "c-link.mkv", "caf\xe9-\xff.mkv",
                                        "sub/deeper/a.mkv"}));
    EXPECT_EQ(got.sizes, QList<qint64>({1, 1, 1, 1, 1}))
        << "as the walk found them, links followed";
    const QString prefix = shownText(dir.path()) + '/';
    QStringList notes = got.notes;
    notes.replaceInStrings(prefix, QString());
    notes.sort();
    EXPECT_EQ(notes, QStringList({"Skipped broken link broken.mkv",
                                  "Skipped hidden entry .dot.mkv",
                                  "Skipped hidden entry .hidden-dir",
                                  "Skipped linked folder link-dir",
                                  "Skipped notes.txt: not named .mkv",
                                  "Skipped pipe.mkv: not a regular file",
                                  "Skipped unreadable file secret.mkv",
                                  "Skipped unreadable folder locked"}));
    // Qt's own removal cannot see that name either.
    ::unlink((root + "/caf\xe9-\xff.mkv").constData());
}
