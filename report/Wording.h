#pragma once

#include <string>

#include "signature/RecordingEvidence.h"

// Sentences shared by every output, so the terminal, the JSON and the HTML
// say the same thing in the same words.

// "Success" or "Failed".
const char* verdictWord(const RecordingVerdict& verdict);

// The kind of outcome of a verdict code in a word or two: "authentic",
// "tampered", "not signed", "unreadable", "not verified".
const char* outcomeText(int code);

// What a verdict code means in a sentence, e.g. "Signature mismatch: the
// recording is not as the recorder signed it."
const char* outcomeSentence(int code);

// Why a file failed: "signature mismatch: …", "not signed: …", "error: …";
// empty on success.
std::string verdictReason(const RecordingVerdict& verdict);

// Where in time and what was found, e.g. "at 00:00:14 (2026-12-01 08:00:14,
// cluster 8): content-altered: The content of cluster 8 …"; empty when the
// evidence names neither a place nor a finding. Raw bytes: escape for the
// output.
std::string failureSummary(const RecordingEvidence& evidence);

// The recorder tag's texts as stated: from the tag itself when it was
// read, else from the verdict.
std::string statedSerial(const RecordingEvidence& evidence);
std::string statedStart(const RecordingEvidence& evidence);
std::string statedEnd(const RecordingEvidence& evidence);
