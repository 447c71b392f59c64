#pragma once

#include <string>

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
    std::string examiner;         // as the user gave them; may be empty
    std::string caseReference;
};

// The context of this run, verified now.
ReportContext currentReportContext(const std::string& verifierName, const std::string& examiner,
                                   const std::string& caseReference);

// The project's version, and the source revision the program was built from.
const char* telvarVersion();
const char* telvarBuild();
