// The temporary case of a window that was killed is found on the next start,
// with what its log held, and only when no living window owns it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "casefile/CaseFile.h"
#include "verification/CaseStore.h"

TEST(CaseRecovery, AKilledWindowsCaseIsFoundWholeAndALivingOnesIsNot) {
    QTemporaryDir parent;
    ASSERT_TRUE(parent.isValid());
    const std::unique_ptr<CaseStore> living = CaseStore::temporary();
    RecordingEvidence evidence;
    evidence.identity.sha256 = std::string(64, 'a');
    evidence.verdict.code = VerdictCode::Success;  // verified: a cancelled one is only listed
    VerifyResult result(QByteArray("a.mkv"), evidence);
    result.path = QStringLiteral("/no/such/folder/a.mkv");
    CaseOpenOptions options;
    CaseFile writer(living->fileBytes(), options);
    recordInCase(writer, recordingRun(writer), result);

    // What a kill leaves: the case and its log as they stand, the lock's
    // process gone (here: no lock at all).
    const QString killed = parent.filePath(QStringLiteral("telvar-unsaved-k1ll3d"));
    ASSERT_TRUE(QDir().mkpath(killed));
    const QString file = QString::fromStdString(living->fileBytes());
    for (const char* suffix : {"", "-wal"}) {
        ASSERT_TRUE(QFile::copy(file + QLatin1String(suffix),
                                killed + QStringLiteral("/unsaved.telvarcase") + QLatin1String(suffix)));
    }
    // An empty one is nothing to offer.
    const std::unique_ptr<CaseStore> empty = CaseStore::temporary();
    const QString emptyCopy = parent.filePath(QStringLiteral("telvar-unsaved-3mpty0"));
    ASSERT_TRUE(QDir().mkpath(emptyCopy));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(empty->fileBytes()),
                            emptyCopy + QStringLiteral("/unsaved.telvarcase")));

    EXPECT_EQ(CaseStore::abandonedCases(parent.path()), QStringList{killed});
    const QFileInfo livingFolder(QFileInfo(file).absolutePath());
    EXPECT_FALSE(CaseStore::abandonedCases(livingFolder.absolutePath()).contains(livingFolder.absoluteFilePath()));

    const std::unique_ptr<CaseStore> recovered = CaseStore::recover(killed);
    EXPECT_TRUE(recovered->isTemporary());
    EXPECT_EQ(recovered->results().size(), 1u);
    EXPECT_TRUE(recovered->audit().intact());
    EXPECT_FALSE(QFileInfo::exists(killed));
    EXPECT_TRUE(CaseStore::abandonedCases(parent.path()).isEmpty());
}
