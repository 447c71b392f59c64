#include "signature/KeyFindings.h"

#include <algorithm>
#include <string>

namespace {

using nvr::KeyValidity;
using nvr::TrustedKey;
using nvr::WalkEvidence;

// Under an HMAC tag the first cluster must fail under the trusted key too:
// a recorder keys its chain with its own HMAC key, so a first cluster that
// holds under a trusted one says the tag, not its signer, is what differs.
bool chainConsistent(const WalkEvidence& walk) {
    const auto& entries = walk.map.entries();
    if (entries.empty() || !walk.chainEndMatches || !walk.walkError.empty() ||
        walk.firstUnsignedFrames != 0 || !walk.map.complete()) {
        return false;
    }
    if (walk.tag.kind == 2 && (entries.front().kind != 2 ||
                               entries.front().status != ClusterStatus::Mismatch)) {
        return false;
    }
    return std::all_of(entries.begin(), entries.end(), [](const ClusterEntry& entry) {
        return entry.status == ClusterStatus::Verified ||
               (entry.number == 1 && entry.status == ClusterStatus::Mismatch &&
                entry.keyFrom == 0);
    });
}

std::string window(const TrustedKey& key) {
    if (key.validFrom.empty() && key.validUntil.empty()) {
        return "no window";
    }
    return "the window " + (key.validFrom.empty() ? std::string("…") : key.validFrom) + " to " +
           (key.validUntil.empty() ? std::string("…") : key.validUntil);
}

std::string named(const TrustedKey& key) {
    return "the trusted key " + key.id + " (\"" + key.label + "\", " +
           (key.builtIn ? std::string("built in") : key.source + " line " + std::to_string(key.line)) +
           ")";
}

std::string stated(const WalkEvidence& walk) {
    return walk.tag.startTime + " to " + walk.tag.endTime;
}

Finding keyFinding(FindingCode code, std::string text, int64_t cluster = 0) {
    return Finding{code, std::move(text), cluster, cluster, std::nullopt};
}

bool wordsAnUnknownSigner(const Finding& finding) {
    switch (finding.code) {
        case FindingCode::TagUnknownKey:
        case FindingCode::TagMismatch:
            return true;
        case FindingCode::ChainBreak:
        case FindingCode::ClusterMismatch:
        case FindingCode::ClusterRemoved:
        case FindingCode::ClusterSpliced:
            return finding.firstCluster == 1 && finding.lastCluster == 1;
        default:
            return false;
    }
}

}  // namespace

bool signedByUntrustedKey(const WalkEvidence& walk) {
    const TagStatement& tag = walk.tag;
    return tag.present && !tag.serialNumber.empty() && (tag.kind == 1 || tag.kind == 2) &&
           walk.tagResult == VerifyWalkResult::Mismatch && !walk.tagKey &&
           !walk.tagOpensWithBuiltInKey.value_or(false) && tag.unsignedField.empty() &&
           chainConsistent(walk);
}

void keyFindings(const WalkEvidence& walk, std::vector<Finding>& out) {
    std::vector<Finding> first;
    if (signedByUntrustedKey(walk)) {
        out.erase(std::remove_if(out.begin(), out.end(), wordsAnUnknownSigner), out.end());
        first.push_back(keyFinding(
            FindingCode::KeyUnknown,
            "The recording is signed by a key that is not trusted: its recorder tag holds under "
            "none of the " +
                (walk.storeInUse ? std::to_string(walk.keysTried) + " trusted keys of its kind"
                                 : std::string("built-in keys")) +
                " (the key store in use is named with the report), while the recording's own "
                "chain of clusters is consistent and ends on the tag's final value. Nothing here "
                "shows a change, and nothing here is proven: whoever holds that key could have "
                "made or changed the recording. If the recorder's owner gives you "
                "its public key, add it to the key store (telvar-verify keys add) and verify "
                "again."));
    }
    if (walk.tagKey && walk.tagKeyValidity == KeyValidity::RevokedBefore) {
        first.push_back(keyFinding(FindingCode::KeyOutsideValidity,
                             "The recorder tag holds under " + named(*walk.tagKey) +
                                 ", which was revoked at " + walk.tagKey->revokedAt + " (\"" +
                                 walk.tagKey->reason + "\"), before the recording's stated time (" +
                                 stated(walk) + "): nothing signed with it is proven."));
    }
    for (const WalkEvidence::KeyChange& change : walk.keyChanges) {
        first.push_back(keyFinding(FindingCode::KeyChanged,
                             "Cluster " + std::to_string(change.cluster) +
                                 " holds under another trusted key, " + change.keyId + " (\"" +
                                 change.label + "\"), than the key the recording's tag holds "
                                 "under: one recording has one signer, so from there on it is "
                                 "not the recording the tag signed.",
                             change.cluster));
    }
    out.insert(out.begin(), first.begin(), first.end());
    if (walk.tagKey && walk.tagKeyValidity == KeyValidity::Outside) {
        out.push_back(keyFinding(FindingCode::KeyOutsideValidity,
                           "Warning: the recording's stated time (" + stated(walk) +
                               ") lies outside " + window(*walk.tagKey) + " of " +
                               named(*walk.tagKey) +
                               ". The stated time is the recorder's own claim, not a trusted "
                               "clock; this does not change the verdict."));
    }
    if (walk.tagKey && walk.tagKeyValidity != KeyValidity::RevokedBefore) {
        const std::vector<std::string>& recorders = walk.tagKey->recorders;
        std::string forOthers;
        if (!recorders.empty() && std::find(recorders.begin(), recorders.end(),
                                            walk.tag.serialNumber) == recorders.end()) {
            forOthers = " The store lists the key for other recorders than the serial number the "
                        "tag states (" + walk.tag.serialNumber + ").";
        }
        // A revoked key proves only what was made before its revocation, and
        // the time a recording states is its signer's own claim: whoever held
        // the key after it was lost could state an earlier one.
        std::string revoked;
        if (walk.tagKey->status == nvr::KeyStatus::Revoked) {
            revoked = " The key was revoked at " + walk.tagKey->revokedAt + " (\"" +
                      walk.tagKey->reason + "\"); the recording states an earlier time, which "
                      "is the recorder's own claim: anyone who held the key after it was lost "
                      "could state such a time.";
        }
        out.push_back(keyFinding(FindingCode::KeyKnown,
                           "The recorder tag holds under " + named(*walk.tagKey) + ", " +
                               nvr::keyStatusCode(walk.tagKey->status) + ", with " +
                               window(*walk.tagKey) + "; the recording's stated time is " +
                               stated(walk) + "." + forOthers + revoked));
    }
}
