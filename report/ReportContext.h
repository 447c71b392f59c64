#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/ExportedStill.h"

// Who verified, with what, and when: one per run of a program, written into
// every report so a case file can tell which verifier and keys gave a verdict.
struct ReportContext {
    std::string verifierName;  // "telvar-verify", or the desktop program's name
    std::string version;       // the project's version
    std::string build;  // source revision when built ("-dirty" with local changes), or "unknown"
    std::string opensslVersion;
    std::string publicKeySha256;  // of the built-in RSA public key's DER bytes
    std::string hmacKeySha256;    // of the built-in HMAC key's bytes
    std::string verifiedAt;       // UTC, "YYYY-MM-DDThh:mm:ssZ"
    // The key store the verdicts were reached with (docs/key-store.md): its
    // SHA-256 (empty with the built-in keys only), what it is, how many keys
    // it trusts, and the time revocations were judged at (UTC,
    // "YYYY-MM-DDThh:mm:ssZ"; empty: the clock when each file was verified).
    std::string keyStoreSha256;
    std::string keyStore = "built-in keys only";
    int64_t keyStoreKeys = 2;
    std::string validationTime;
    std::string examiner;         // as the user gave them; may be empty
    std::string caseReference;
    // A report made from a case file names its custody log as it stood:
    // the number of events and the newest one's SHA-256, so a log cut
    // short later shows against the printed report.
    std::optional<int64_t> custodyEvents;
    std::string custodyHead;
    // When that newest event is the examiner's seal: who sealed, the key's
    // fingerprint and the signature (docs/case-file.md).
    std::string custodySealExaminer;
    std::string custodySealKey;
    std::string custodySealSignature;
    // The number the report's own "exported" event takes in the log.
    std::optional<int64_t> custodyExportEvent;
    // The examiner's Ed25519 public key (raw, hex) and its SHA-256.
    std::string examinerPublicKey;
    std::string examinerKeyFingerprint;
    // What the case's intakes left out (entries a folder's walk skipped), a
    // line each with its reason, as the case keeps them.
    std::vector<std::string> intakeSkipped;
    // The stills exported from the player in the case, oldest first, and
    // how many more there are than listed.
    std::vector<ExportedStill> stills;
    size_t stillsLeftOut = 0;
};

// "sealed by NAME (key FP, signature SIG)" when the head is the examiner's
// seal, else "not sealed": the words every output gives a head's seal.
std::string custodySealText(const ReportContext& run);

// Copies the custody log's head, seal, export event, examiner's key, what
// the intakes skipped and the stills exported.
void copyCustody(const ReportContext& from, ReportContext& to);

// The context of this run, verified now.
ReportContext currentReportContext(const std::string& verifierName, const std::string& examiner,
                                   const std::string& caseReference);

// UTC now, "YYYY-MM-DDThh:mm:ssZ": the time of verification every output carries.
std::string utcNowText();

// The project's version, and the source revision the program was built from.
const char* telvarVersion();
const char* telvarBuild();
