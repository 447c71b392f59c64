// The recorder hands a result back to be listed only once the case holds
// it, even when a flood of results is stored a transaction at a time.
#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "casefile/CaseFile.h"
#include "verification/CaseRecorder.h"
#include "verification/CaseStore.h"
#include "verification/PathBytes.h"

namespace {

VerifyResult verifiedResult(int i) {
    RecordingEvidence evidence;
    evidence.verdict.code = i % 3 == 0 ? VerdictCode::Mismatch : VerdictCode::Success;
    evidence.identity.size = 20000;
    evidence.identity.sha256 = std::string(64, static_cast<char>('a' + i % 6));
    VerifyResult result(QByteArray("r") + QByteArray::number(i) + ".mkv", evidence);
    result.path = QStringLiteral("/no/such/folder/r%1.mkv").arg(i);
    return result;
}

}  // namespace

TEST(CaseRecorder, AFloodIsHandedBackInOrderEachResultAlreadyInTheCase) {
    const std::unique_ptr<CaseStore> store = CaseStore::temporary();
    const std::string casePath = store->fileBytes();
    // More than one transaction's worth, with a cancelled file among them.
    const int total = 700;
    const int cancelled = 350;
    std::vector<QString> handedBack;
    std::vector<QString> notYetInCase;
    {
        CaseRecorder recorder(casePath);
        QObject::connect(
            &recorder, &CaseRecorder::recorded, &recorder,
            [&](const QList<VerifyResult>& results) {
                // At the moment they would be listed, another connection sees them.
                CaseOpenOptions options;
                options.access = CaseOpenOptions::Access::ReadOnly;
                const CaseFile reader(casePath, options);
                for (const VerifyResult& result : results) {
                    if (!result.cancelled()) {
                        const std::optional<RecordingRow> row =
                            reader.recordingByPath(pathBytes(result.path).toStdString());
                        if (!row || !row->latestVerification) {
                            notYetInCase.push_back(result.path);
                        }
                    }
                    handedBack.push_back(result.path);
                }
            },
            Qt::DirectConnection);
        QObject::connect(&recorder, &CaseRecorder::failed, &recorder,
                         [](const VerifyResult& result, const QString& why) {
                             ADD_FAILURE() << result.path.toStdString() << ": " << why.toStdString();
                         });
        for (int i = 0; i < total; ++i) {
            recorder.submit(i == cancelled ? cancelledResult(QStringLiteral("/no/such/folder/c.mkv"))
                                           : verifiedResult(i));
        }
        recorder.drain();
    }
    ASSERT_EQ(handedBack.size(), static_cast<size_t>(total));
    for (int i = 0; i < total; ++i) {
        EXPECT_EQ(handedBack[static_cast<size_t>(i)],
                  i == cancelled ? QStringLiteral("/no/such/folder/c.mkv")
                                 : QStringLiteral("/no/such/folder/r%1.mkv").arg(i));
    }
    EXPECT_TRUE(notYetInCase.empty()) << notYetInCase.front().toStdString();

    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    const CaseFile file(casePath, options);
    EXPECT_TRUE(file.audit().intact()) << file.audit().problem;
    // The cancelled file is listed too, with no verification, so a saved
    // case keeps its row.
    EXPECT_EQ(file.recordings().size(), static_cast<size_t>(total));
    // Each result is its own verification, each with its own events, after
    // the case's creation and the examiner's key; the cancelled file has its
    // addition only.
    EXPECT_EQ(file.head().events, 2 + 2 * (total - 1) + 1);

    // Read back many at once, as sorting a reopened case does: in order,
    // past the first share, with one the case does not hold among them.
    std::vector<int64_t> verifications;
    int notVerified = 0;
    for (const VerifyResult& result : store->results()) {
        if (result.cancelled()) {
            ++notVerified;
        } else {
            verifications.push_back(result.storedVerification);
        }
    }
    EXPECT_EQ(notVerified, 1);
    ASSERT_EQ(verifications.size(), static_cast<size_t>(total - 1));
    const size_t missing = 600;
    verifications.insert(verifications.begin() + missing, int64_t{1} << 40);
    size_t next = 0;
    store->loadEvidence(verifications, [&](size_t index, std::shared_ptr<const RecordingEvidence> evidence) {
        ASSERT_EQ(index, next++);
        ASSERT_NE(evidence, nullptr);
        if (index == missing) {
            EXPECT_NE(evidence->findings.at(0).text.find("cannot be shown"), std::string::npos);
            return;
        }
        // Listed in the order recorded, the cancelled file left out.
        const size_t k = index < missing ? index : index - 1;
        const int i = static_cast<int>(k < static_cast<size_t>(cancelled) ? k : k + 1);
        EXPECT_EQ(evidence->identity.sha256, verifiedResult(i).evidence->identity.sha256) << index;
    });
    EXPECT_EQ(next, verifications.size());
}
