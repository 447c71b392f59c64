#include "support/Reseal.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "support/ChosenKey.h"
#include "support/FileCloser.h"

namespace recorder {

namespace {

ClusterRecord& chainCluster(Recording& recording, int chainIndex) {
    for (ClusterRecord& cluster : recording.clusters) {
        if (cluster.chainIndex == chainIndex) {
            return cluster;
        }
    }
    throw std::invalid_argument("no chain cluster " + std::to_string(chainIndex));
}

Bytes readAt(std::FILE* file, int64_t offset, int64_t length) {
    Bytes bytes(static_cast<size_t>(length));
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        throw std::runtime_error("cannot read the recording back");
    }
    return bytes;
}

void writeAt(std::FILE* file, int64_t offset, const Bytes& bytes) {
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        throw std::runtime_error("cannot rewrite the recording");
    }
}

}  // namespace

void resealAfterFlip(Recording& recording, int altered, int keepFrom, const RecorderKeys& keys) {
    if (altered < 0 || keepFrom <= altered) {
        throw std::invalid_argument("nothing to seal again");
    }
    for (int i = altered; i < keepFrom; ++i) {
        const ClusterRecord& cluster = chainCluster(recording, i);
        if (cluster.signature.kind != kKindHmac || cluster.signedLength() <= 0 ||
            cluster.valueOffset < 0) {
            throw std::invalid_argument("cluster " + std::to_string(i) + " is not HMAC-signed");
        }
    }
    FilePtr file(std::fopen(recording.path.c_str(), "rb+"));
    if (!file) {
        throw std::runtime_error("cannot open " + recording.path);
    }
    ClusterRecord& first = chainCluster(recording, altered);
    const int64_t middle = first.signedBegin + first.signedLength() / 2;
    Bytes byte = readAt(file.get(), middle, 1);
    byte[0] ^= 0x5A;
    writeAt(file.get(), middle, byte);
    for (int i = altered; i < keepFrom; ++i) {
        ClusterRecord& cluster = chainCluster(recording, i);
        const Bytes key = i == 0 ? keys.hmacKey : chainCluster(recording, i - 1).value;
        StreamSigner signer = StreamSigner::hmac(cluster.signature.digestType, key);
        signer.update(readAt(file.get(), cluster.signedBegin, cluster.signedLength()));
        cluster.value = signer.finish();
        writeAt(file.get(), cluster.valueOffset, cluster.value);
    }
    if (std::fflush(file.get()) != 0) {
        throw std::runtime_error("cannot rewrite the recording");
    }
}

void resignUnderChosenKey(Recording& recording, int forged, const Bytes& value) {
    ClusterRecord& target = chainCluster(recording, forged);
    ClusterRecord& before = chainCluster(recording, forged - 1);
    if (target.value.size() != value.size() || target.valueOffset < 0 || before.valueOffset < 0) {
        throw std::invalid_argument("the forged cluster's value does not fit");
    }
    FilePtr file(std::fopen(recording.path.c_str(), "rb+"));
    if (!file) {
        throw std::runtime_error("cannot open " + recording.path);
    }
    // Kind and digest: one-byte unsigned elements inside the signature element.
    Bytes head =
        readAt(file.get(), target.signatureOffset, target.valueOffset - target.signatureOffset);
    const auto setField = [&head](uint8_t id, uint8_t to) {
        for (size_t i = 0; i + 2 < head.size(); ++i) {
            if (head[i] == id && head[i + 1] == 0x81) {
                head[i + 2] = to;
                return;
            }
        }
        throw std::invalid_argument("no one-byte field to set");
    };
    setField(0xDC, static_cast<uint8_t>(kKindRsa));
    setField(0xDD, 3);
    writeAt(file.get(), target.signatureOffset, head);
    target.signature = {kKindRsa, 3};
    Bytes key = chooseKeyFor(value, readAt(file.get(), target.signedBegin, target.signedLength()));
    if (key.size() > before.value.size()) {
        throw std::invalid_argument("the chosen key does not fit the cluster before");
    }
    key.resize(before.value.size(), 0);  // the key reader stops where the key ends
    writeAt(file.get(), before.valueOffset, key);
    before.value = key;
    writeAt(file.get(), target.valueOffset, value);
    target.value = value;
    if (std::fflush(file.get()) != 0) {
        throw std::runtime_error("cannot rewrite the recording");
    }
}

void spoilForeignClusters(const Recording& recording) {
    FilePtr file(std::fopen(recording.path.c_str(), "rb+"));
    if (!file) {
        throw std::runtime_error("cannot open " + recording.path);
    }
    int64_t spoiled = 0;
    for (const ClusterRecord& cluster : recording.clusters) {
        if (cluster.chainIndex >= 0 || cluster.signedLength() <= 0) {
            continue;
        }
        // In the last half, the last frame's bytes: the elements still read.
        const int64_t at = cluster.signedEnd - 1 - spoiled++ % (cluster.signedLength() / 2);
        Bytes byte = readAt(file.get(), at, 1);
        byte[0] ^= 0x5A;
        writeAt(file.get(), at, byte);
    }
    if (std::fflush(file.get()) != 0) {
        throw std::runtime_error("cannot rewrite the recording");
    }
}

}  // namespace recorder
