// The verdict and the hash are taken from one open file: a recording
// rewritten in place at its own size while it is verified gets neither.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "signature/RecordingEvidence.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

namespace {

struct Rewrite {
    std::string path;
    int64_t offset = 0;
    bool done = false;
};

// The walk's progress as the hook: at its first report, one byte of the
// file is flipped in place, as a writer beside the verification would.
void rewriteOnce(double, void* context) {
    Rewrite& rewrite = *static_cast<Rewrite*>(context);
    if (rewrite.done) {
        return;
    }
    const int fd = ::open(rewrite.path.c_str(), O_RDWR | O_CLOEXEC);
    unsigned char byte = 0;
    rewrite.done = fd >= 0 && ::pread(fd, &byte, 1, rewrite.offset) == 1 &&
                   (byte ^= 1, ::pwrite(fd, &byte, 1, rewrite.offset) == 1);
    if (fd >= 0) {
        ::close(fd);
    }
}

}  // namespace

TEST(OneOpenFile, AFileRewrittenWhileVerifiedGetsNoVerdictAndNoHash) {
    const TempFile file;
    recorder::RecorderOptions options;
    options.clusterCount = 8;
    const recorder::Recording recording = recorder::writeRecording(file.path(), options);
    // An old modification time, so that the rewrite moves it however
    // coarse the file system's clock is.
    const timespec old[2] = {{978307200, 0}, {978307200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
    ExamineOptions examine;
    examine.keepClusters = true;
    examine.threads = 3;  // the hasher, the walk and a helper of the walk
    ASSERT_EQ(examineRecording(file.path(), examine).verdict.code, VerdictCode::Success);

    // All clusters of this small file are checked before the first report,
    // so the walk alone would find nothing; the hash may see either byte.
    Rewrite rewrite{file.path(), recording.clusters.back().signedEnd - 1};
    const RecordingEvidence evidence =
        examineRecording(file.path(), examine, &rewriteOnce, &rewrite);
    ASSERT_TRUE(rewrite.done);
    EXPECT_EQ(evidence.verdict.code, VerdictCode::Error);
    EXPECT_EQ(evidence.verdict.errorText, "the file changed while it was verified");
    EXPECT_EQ(evidence.verdict.serialNumber, "");
    EXPECT_EQ(evidence.identity.sha256, "");
    EXPECT_EQ(evidence.identity.error, "the file changed while it was verified");
    EXPECT_TRUE(evidence.clusters.empty());
    ASSERT_EQ(evidence.findings.size(), 1u);  // the error itself
    EXPECT_EQ(evidence.findings[0].code, FindingCode::FileError);
}
