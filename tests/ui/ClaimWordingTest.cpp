// What every output claims for a Success. The built-in HMAC key is in every
// copy of this program, so a recording sealed with it is never called
// authentic, drawn in the colour of proof, listed as verified, nor its
// serial number and times called proven; under the recorder's RSA key the
// same outputs say so.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <string>

#include "signature/RecordingEvidence.h"
#include "ui/EvidenceText.h"
#include "ui/ResultModel.h"
#include "ui/RowText.h"

namespace {

QString verifyOutput(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TELVAR_VERIFY_EXE), arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Everything each output says about one recording, by output.
std::map<std::string, QString> outputsOf(const QDir& demo, const QString& name) {
    const QString path = demo.filePath(name);
    const QString report = demo.filePath(name + QStringLiteral(".html"));
    std::map<std::string, QString> out;
    out["terminal"] = verifyOutput({path});
    out["csv"] = verifyOutput({QStringLiteral("--csv"), path});
    out["json"] =
        verifyOutput({QStringLiteral("--json"), QStringLiteral("--report"), report, path});
    QFile html(report);
    out["html"] = html.open(QIODevice::ReadOnly) ? QString::fromUtf8(html.readAll()) : QString();
    ExamineOptions options;
    options.fileHash = false;
    const ResultModel::Row row{
        VerifyResult(name.toUtf8(), examineRecording(path.toStdString(), options)), 1, 0, QString()};
    out["window"] = evidenceHtml(row) + ResultModel::toolTip(row) + rowFields(row).join(',');
    return out;
}

}  // namespace

TEST(ClaimWording, OnlyTheRecordersKeyMakesASuccessAuthentic) {
    QTemporaryDir dir;
    ASSERT_EQ(QProcess::execute(TELVAR_MAKE_DEMO, {dir.path()}), 0);
    const QDir demo(dir.path());

    // "authenticity" in the report's title and the program's name claim nothing.
    const QRegularExpression authentic(QStringLiteral("\\bauthentic\\b"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QStringList claims = {QStringLiteral("verified recording"),
                                QStringLiteral("Recorder tag (verified)"),
                                QStringLiteral("proven only where the verdict is Success"),
                                QStringLiteral("class=\"ok\""),  // the report's green
                                QStringLiteral("#4a8a1c")};      // the window's green
    for (const auto& [output, text] : outputsOf(demo, QStringLiteral("sealed.mkv"))) {
        ASSERT_FALSE(text.isEmpty()) << output;
        EXPECT_FALSE(text.contains(authentic)) << output << ": " << text.toStdString();
        for (const QString& claim : claims) {
            EXPECT_FALSE(text.contains(claim, Qt::CaseInsensitive))
                << output << ": " << claim.toStdString();
        }
        EXPECT_TRUE(text.contains(QStringLiteral("sealed with the built-in")))
            << output << ": " << text.toStdString();
    }

    const std::map<std::string, QString> rsa = outputsOf(demo, QStringLiteral("authentic.mkv"));
    EXPECT_TRUE(rsa.at("csv").contains(QStringLiteral(",Success (authentic),")));
    EXPECT_TRUE(rsa.at("json").contains(QStringLiteral("\"outcome\": \"authentic\"")));
    EXPECT_TRUE(
        rsa.at("html").contains(QStringLiteral("<span class=\"ok\">Success</span> — authentic")));
    EXPECT_TRUE(rsa.at("window").contains(QStringLiteral("Success — authentic")));
    EXPECT_TRUE(rsa.at("window").contains(QStringLiteral("Recorder tag (verified)")));
    EXPECT_TRUE(rsa.at("window").contains(QStringLiteral("#4a8a1c")));
}
