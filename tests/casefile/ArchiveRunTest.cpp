// Archive runs: the shards' cut, the run's id, a task's results read back,
// and the merge storing each result once (the end-to-end path through Slurm
// and GNU parallel is tests/archive/run.sh).
#include <gtest/gtest.h>

#include <filesystem>

#include "CaseDirectory.h"
#include "casefile/ArchiveMerge.h"
#include "casefile/ArchivePlan.h"
#include "casefile/ArchiveResults.h"
#include "casefile/ArchiveShard.h"
#include "casefile/CaseFile.h"

namespace {

InventoryEntry entry(const std::string& path, int64_t size) {
    InventoryEntry e;
    e.path = path;
    e.size = size;
    return e;
}

TEST(ArchiveRunTest, ShardsHoldAtMostTheirBytesAndFilesAndALargerFileAlone) {
    const std::vector<InventoryEntry> files = {entry("/a", 40), entry("/b", 60), entry("/c", 1),
                                               entry("/d", 500), entry("/e", 1), entry("/f", 1),
                                               entry("/g", 1)};
    const auto shards = cutIntoShards(files, 100, 3);
    std::vector<size_t> sizes;
    for (const auto& shard : shards) {
        sizes.push_back(shard.size());
    }
    // 40+60 fills the first; /d alone; then three files at most.
    EXPECT_EQ(sizes, (std::vector<size_t>{2, 1, 1, 3}));
    EXPECT_EQ(shards[2][0].path, "/d");
}

TEST(ArchiveRunTest, TheRunIdChangesWithAnyFileFactKeysBuildOrOption) {
    PlanRequest request;
    request.shardBytes = 100;
    request.shardFiles = 3;
    request.keysSha256 = "k";
    request.build = "b";
    const std::vector<InventoryEntry> files = {entry("/a", 40)};
    const std::string id = runIdOf(request, files);
    EXPECT_EQ(runIdOf(request, files), id);
    std::vector<InventoryEntry> touched = files;
    touched[0].mtimeNs = 1;
    EXPECT_NE(runIdOf(request, touched), id);
    touched = files;
    touched[0].inode = 7;
    EXPECT_NE(runIdOf(request, touched), id);
    PlanRequest other = request;
    other.keysSha256 = "k2";
    EXPECT_NE(runIdOf(other, files), id);
    other = request;
    other.shardFiles = 4;
    EXPECT_NE(runIdOf(other, files), id);
}

class ArchiveMergeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(makeDemoRecordings(dir / "archive").status, 0);
        PlanRequest request;
        request.roots = {dir / "archive"};
        request.runFolder = dir / "run";
        request.shardBytes = int64_t{1} << 40;
        request.shardFiles = 2;
        request.keysSha256 = runKeysOf(currentReportContext("telvar-verify", "", ""));
        request.build = "build";
        plan = planRun(request);
        ASSERT_TRUE(plan.error.empty()) << plan.error;
        ASSERT_GE(plan.shards, 2);
        for (int64_t n = 0; n < plan.shards; ++n) {
            ASSERT_EQ(runShard(task(n)).state, ShardOutcome::State::Done);
        }
    }

    ShardRequest task(int64_t n) {
        ShardRequest request;
        request.shardFile = shardPath(dir / "run", n);
        request.resultsFolder = dir / "run/results";
        request.run = currentReportContext("telvar-verify", "", "");
        request.keysSha256 = runKeysOf(request.run);
        request.build = "build";
        return request;
    }

    MergeSummary merge(const ReportContext& run = currentReportContext("telvar-verify", "tester",
                                                                       "")) {
        CaseOpenOptions open;
        open.create = true;
        open.creator = currentActor("telvar-verify", "tester");
        CaseFile file(dir / "case.telvarcase", open);
        return mergeRun(file, open.creator, run, dir / "run");
    }

    int64_t verifications() {
        return std::stoll(
            runSqlite(dir / "case.telvarcase", "SELECT count(*) FROM verifications").out);
    }

    CaseDirectory dir;
    PlanResult plan;
};

TEST_F(ArchiveMergeTest, MergingAgainStoresNothingTwiceAndATaskDoneIsNotRedone) {
    const MergeSummary first = merge();
    EXPECT_EQ(first.stored, plan.files);
    EXPECT_EQ(static_cast<int64_t>(first.added.size()), plan.files);
    const MergeSummary second = merge();
    EXPECT_EQ(second.stored, 0);
    EXPECT_EQ(second.storedBefore, plan.files);
    EXPECT_EQ(verifications(), plan.files);

    EXPECT_EQ(runShard(task(0)).state, ShardOutcome::State::AlreadyDone);
}

TEST_F(ArchiveMergeTest, ATaskOnAnotherBuildOrKeysRefusesItsShard) {
    ASSERT_TRUE(std::filesystem::remove(resultPath(dir / "run/results", 0)));
    ShardRequest other = task(0);
    other.build = "another build";
    EXPECT_EQ(runShard(other).state, ShardOutcome::State::Failed);
    other = task(0);
    other.keysSha256 = "other keys";
    EXPECT_EQ(runShard(other).state, ShardOutcome::State::Failed);
    EXPECT_FALSE(std::filesystem::exists(resultPath(dir / "run/results", 0)));
}

TEST_F(ArchiveMergeTest, CutOrForeignResultsAreNotStoredAndAreNamed) {
    const std::string results = resultPath(dir / "run/results", 0);
    std::string text = readBytes(results);
    // Without its end line: a file a task did not finish.
    writeBytes(results, text.substr(0, text.rfind('\n', text.size() - 2) + 1));
    EXPECT_EQ(readShardResults(results).state, ShardResults::State::Damaged);
    // Another shard's results under this shard's name.
    writeBytes(resultPath(dir / "run/results", 1), readBytes(resultPath(dir / "run/results", 0)));
    const MergeSummary summary = merge();
    EXPECT_EQ(summary.damaged.size(), 2u);
    EXPECT_LT(summary.stored, plan.files);
    // A task asked to redo it refuses rather than overwrite what it cannot read.
    EXPECT_EQ(runShard(task(0)).state, ShardOutcome::State::Failed);
}

TEST_F(ArchiveMergeTest, AResultIsStoredOnlyForTheFileItsShardNamesThere) {
    // Two files' evidence swapped in place: each line still whole and in order.
    const std::string results = resultPath(dir / "run/results", 0);
    std::vector<std::string> lines;
    std::string text = readBytes(results);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 4u);  // header, two results, end
    const std::string key = ",\"evidence\":";
    const size_t a = lines[1].find(key);
    const size_t b = lines[2].find(key);
    const std::string first = lines[1].substr(a);
    lines[1] = lines[1].substr(0, a) + lines[2].substr(b);
    lines[2] = lines[2].substr(0, b) + first;
    writeBytes(results, lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" + lines[3] + "\n");
    const MergeSummary summary = merge();
    EXPECT_EQ(summary.damaged.size(), 2u);
    EXPECT_EQ(summary.stored, plan.files - 2);
}

}  // namespace

TEST_F(ArchiveMergeTest, AMergeWithOtherKeysStoresNothing) {
    for (const auto& [store, at] : {std::pair<std::string, std::string>{"ab12", ""},
                                    std::pair<std::string, std::string>{"", "2027-01-01T00:00:00Z"}}) {
        ReportContext other = currentReportContext("telvar-verify", "tester", "");
        other.keyStoreSha256 = store;
        other.validationTime = at;
        const MergeSummary refused = merge(other);
        EXPECT_NE(refused.error.find("was planned with keys"), std::string::npos) << refused.error;
        EXPECT_EQ(refused.stored, 0);
    }
    EXPECT_EQ(verifications(), 0);
}

TEST_F(ArchiveMergeTest, ANoteTypedWithAStoredResultsTextDoesNotSkipIt) {
    // The exact note a merge writes, typed on the recording before the merge.
    {
        CaseOpenOptions open;
        open.create = true;
        open.creator = currentActor("telvar-verify", "tester");
        CaseFile file(dir / "case.telvarcase", open);
        const ResultRecord first = readShardResults(resultPath(dir / "run/results", 0)).records[0];
        std::string problem;
        const std::optional<Shard> shard = readShard(shardPath(dir / "run", 0), problem);
        ASSERT_TRUE(shard) << problem;
        FileFacts facts;
        facts.path = shard->files[0].path;
        const int64_t recording = file.addRecording(open.creator, facts);
        file.addNote(open.creator, recording,
                     resultNoteKey(plan.runId, 0, first.item) + ": verified on " + first.host);
    }
    const MergeSummary summary = merge();
    EXPECT_EQ(summary.storedBefore, 0);
    EXPECT_EQ(summary.stored, plan.files);
    EXPECT_EQ(verifications(), plan.files);
}
