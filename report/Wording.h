#pragma once

#include <cstdint>
#include <string>

#include "signature/RecordingEvidence.h"

// Sentences shared by every output, so the terminal, the JSON and the HTML
// say the same thing in the same words.

// "Success" or "Failed".
const char* verdictWord(const RecordingVerdict& verdict);

// What a verdict may claim. "Success" is the same word under every key;
// what it proves is not: only the recorder's RSA key ties a recording to
// where it came from. The built-in HMAC key is in every copy of this
// program, so a Success under it shows integrity against anyone without
// the program, never origin.
enum class Claim : uint8_t {
    Authentic,    // a Success rooted in the recorder's RSA key
    Sealed,       // a Success sealed with the built-in HMAC key: no origin
    NoOrigin,     // a Success that names no key (evidence kept before keys were named)
    Failed,       // codes 1, 2 and 3
    NotVerified,  // code -1
};

struct VerdictWording {
    Claim claim = Claim::NotVerified;
    // A few words: "authentic", "sealed with the built-in key, no origin
    // proven", "origin not proven", "signature does not hold", "not
    // signed", "unreadable", "not verified".
    const char* outcome = "";
    // The headline, e.g. "Signature mismatch: the recording is not as the
    // recorder signed it."; for "not signed", what was found outside the
    // signatures.
    const char* sentence = "";
    // For a Success that proves no origin, what it does not prove; empty
    // otherwise.
    const char* caveat = "";
};

// The one place that words a verdict: the window, the CSV, HTML, PDF and
// JSON reports and the terminal all say what this says.
VerdictWording verdictWording(const RecordingEvidence& evidence);

// Why a file failed: "signature mismatch: …", "not signed: …", "error: …";
// empty on success.
std::string verdictReason(const RecordingVerdict& verdict);

// The trusted key the tag held under, as every output names it beside the
// verdict: "key \"North site 2024\" (sha256:…), active"; empty when no
// store key held. Raw bytes: escape for the output.
std::string signingKeyText(const RecordingEvidence& evidence);

// verdictWording(evidence).caveat as a string.
std::string originCaveat(const RecordingEvidence& evidence);

// The short word for a cluster's standing in a picture's label: "verified"
// only for Proven; "sealed with the built-in key", "links hold, not tied to
// the tag", "recorder's bytes, out of place", "failed", "not checked".
const char* standingWord(ClusterStanding standing);
// The same for a frame, whose packet may lie in no cluster's signed bytes
// (none): "outside the signatures".
const char* frameStandingWord(const std::optional<ClusterStanding>& standing);

// A span of times stated by the file, e.g. "00:00:14–00:00:17 as stated";
// "00:00:14 as stated" without an end; empty without a start.
std::string statedTimes(const std::optional<double>& from, const std::optional<double>& to);

// Where in time and what was found, e.g. "at 00:00:14 (2026-12-01 08:00:14,
// cluster 8): content-altered: The content of cluster 8 …"; empty when the
// evidence names neither a place nor a finding. Raw bytes: escape for the
// output.
std::string failureSummary(const RecordingEvidence& evidence);

// One finding with where in time it starts, e.g. "at 00:00:31:
// content-altered: …", or without the time where it has none. Raw bytes.
std::string findingSummary(const Finding& finding);

// The recorder tag's texts as stated: from the tag itself when it was
// read, else from the verdict.
std::string statedSerial(const RecordingEvidence& evidence);
std::string statedStart(const RecordingEvidence& evidence);
std::string statedEnd(const RecordingEvidence& evidence);
