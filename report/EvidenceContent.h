#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/Wording.h"
#include "signature/RecordingEvidence.h"

// What a file's evidence states, part by part, taken in one place: the
// evidence pane and the HTML report both draw from it, so they cannot list
// different things. Texts are raw bytes from the evidence: escape them for
// the output.

enum class ContentPart { Findings, Provenance, Coverage, Warnings };

// The parts in the order the pane lists them.
constexpr ContentPart kContentParts[] = {ContentPart::Findings, ContentPart::Provenance,
                                         ContentPart::Coverage, ContentPart::Warnings};

struct ContentItem {
    std::string code;               // a finding's or warning's code; empty otherwise
    std::string text;               // the sentence
    std::optional<double> seconds;  // where in the recording it starts, when known
};

// "Findings", "Provenance", "Coverage", "Timeline warnings".
const char* contentTitle(ContentPart part);
// The items of one part, in the evidence's order; coverage has its
// statement, when there is one.
std::vector<ContentItem> contentOf(const RecordingEvidence& evidence, ContentPart part);

// The recorder tag's texts as a view shows them: proven as far as the
// verdict's claim goes by a success, stated by a failed file, or not read
// at all.
struct TagContent {
    enum class Status { Verified, Stated, Missing };
    Status status = Status::Missing;
    // What a Verified tag's texts prove (report/Wording.h): under Sealed
    // nothing against a holder of this program.
    Claim claim = Claim::NotVerified;
    std::string serialNumber;
    std::string startTime;
    std::string endTime;
};
TagContent tagContent(const RecordingEvidence& evidence);
// The heading over the tag's texts: "Recorder tag (verified)" only where
// the claim is Authentic.
const char* tagHeading(const TagContent& tag);
