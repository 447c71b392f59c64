#pragma once

#include <string>

#include "signature/RecordingEvidence.h"

// Sentences shared by every output, so the terminal, the JSON and the HTML
// say the same thing in the same words.

// "Success" or "Failed".
const char* verdictWord(const RecordingVerdict& verdict);

// The kind of outcome of a verdict code in a word or two: "authentic",
// "signature does not hold", "not signed", "unreadable", "not verified".
const char* outcomeText(VerdictCode code);

// What a verdict code means in a sentence, e.g. "Signature mismatch: the
// recording is not as the recorder signed it."
const char* outcomeSentence(VerdictCode code);

// Why a file failed: "signature mismatch: …", "not signed: …", "error: …";
// empty on success.
std::string verdictReason(const RecordingVerdict& verdict);

// For a Success that proves no origin (its proof rests on the built-in
// HMAC key, which every copy of this program holds), the sentence that
// says so; empty for a Success that proves its origin and for a failure.
std::string originCaveat(const RecordingEvidence& evidence);

// The short word for a cluster's standing in a picture's label: "verified"
// only for Proven; "sealed with the built-in key", "links hold, not tied to
// the tag", "recorder's bytes, out of place", "failed", "not checked".
const char* standingWord(ClusterStanding standing);

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
