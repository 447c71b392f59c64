#pragma once

#include <vector>

#include "signature/RecordingEvidence.h"
#include "signature/WalkEvidence.h"

// The words of a verdict that turns on the signer's key.
constexpr const char kNotTrusted[] = "signed by a key that is not trusted";

// No trusted key verifies the tag, yet the recording's own chain is
// consistent: every cluster holds under the value before it (the first may
// fail under the built-in key, being keyed by the same unknown signer) and
// the chain ends on the tag's final value. Nothing points to tampering.
bool signedByUntrustedKey(const nvr::WalkEvidence& walk);

// key-unknown, key-outside-validity, key-changed and key-known into `out`,
// the deciding ones first; key-unknown replaces the tag's and the first
// cluster's findings, which would word an unknown signer as tampering.
void keyFindings(const nvr::WalkEvidence& walk, std::vector<Finding>& out);
