#include "report/ReportContext.h"

#include <openssl/crypto.h>

#include <ctime>

#include "signature/BuiltInKeys.h"
#include "signature/KeysInUse.h"
#include "signature/Sha256.h"

void copyCustody(const ReportContext& from, ReportContext& to) {
    to.custodyEvents = from.custodyEvents;
    to.custodyHead = from.custodyHead;
    to.custodySealExaminer = from.custodySealExaminer;
    to.custodySealKey = from.custodySealKey;
    to.custodySealSignature = from.custodySealSignature;
    to.custodyExportEvent = from.custodyExportEvent;
    to.examinerPublicKey = from.examinerPublicKey;
    to.examinerKeyFingerprint = from.examinerKeyFingerprint;
    to.intakeSkipped = from.intakeSkipped;
    to.stills = from.stills;
    to.stillsLeftOut = from.stillsLeftOut;
}

std::string custodySealText(const ReportContext& run) {
    if (run.custodySealKey.empty()) {
        return "not sealed";
    }
    return "sealed by " + run.custodySealExaminer + " (key " + run.custodySealKey +
           ", signature " + run.custodySealSignature + ")";
}

ReportContext currentReportContext(const std::string& verifierName, const std::string& examiner,
                                   const std::string& caseReference) {
    ReportContext context;
    context.verifierName = verifierName;
    context.version = telvarVersion();
    context.build = telvarBuild();
    context.opensslVersion = OpenSSL_version(OPENSSL_VERSION);
    const KeyBytes publicKey = builtInPublicKey();
    context.publicKeySha256 = sha256Hex(publicKey.data, publicKey.size);
    const KeyBytes hmacKey = builtInHmacKey();
    context.hmacKeySha256 = sha256Hex(hmacKey.data, hmacKey.size);
    context.verifiedAt = utcNowText();
    const nvr::KeysInUse keys = nvr::keysInUse();
    if (keys.store) {
        context.keyStoreSha256 = keys.store->sha256();
        context.keyStore = keys.store->description();
        context.keyStoreKeys = static_cast<int64_t>(keys.store->keys().size());
    }
    context.validationTime = keys.validationTimeText;
    context.examiner = examiner;
    context.caseReference = caseReference;
    return context;
}

std::string utcNowText() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (gmtime_r(&now, &tm) == nullptr) {
        return "1970-01-01T00:00:00Z";
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}
