#pragma once

namespace nvr {

class WalkState;

// Where a recording's clusters hold under a trusted key other than the one
// its chain follows (the tag's): the first failing cluster of each failing
// run that no key trial explained is tried with the store's other keys of
// its kind, a few runs at most. Fills WalkEvidence::keyChanges; never throws.
void findKeyChanges(WalkState& state);

}  // namespace nvr
