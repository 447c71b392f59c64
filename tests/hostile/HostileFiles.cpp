#include "hostile/HostileFiles.h"

#include <fstream>
#include <iterator>
#include <memory>

#include "container/MkvParser.h"
#include "signature/WalkEvidence.h"
#include "support/RecorderCrypto.h"
#include "support/TempFile.h"

namespace hostile {

namespace {

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

}  // namespace

Outcome verifyBytes(Bytes bytes, int64_t declaredSize, const nvr::ReadFailureSchedule& schedule) {
    Outcome outcome;
    try {
        nvr::MkvParser parser(
            std::make_unique<nvr::MkvMemoryReader>(std::move(bytes), declaredSize, schedule));
        parser.parse();
        outcome.result = parser.verifySignatures(nullptr, nullptr);
        outcome.text = parser.verifyDetail();
    } catch (const nvr::MkvException& e) {
        outcome.threw = true;
        outcome.code = e.code();
        outcome.position = e.position();
        outcome.text = e.what();
    }
    return outcome;
}

Bytes recording(const Bytes& children) {
    Bytes file = ebml::encode(ebml::ebmlHeader());
    append(file, ebml::encodeId(0x18538067));
    append(file, ebml::encodeSize(children.size(), 8));
    append(file, children);
    return file;
}

int64_t segmentDataOffset() {
    return static_cast<int64_t>(ebml::encode(ebml::ebmlHeader()).size()) + 12;
}

Bytes hmac(const Bytes& key, const Bytes& data) {
    recorder::StreamSigner signer = recorder::StreamSigner::hmac(
        3, key.empty() ? recorder::RecorderKeys::defaults().hmacKey : key);
    signer.update(data);
    return signer.finish();
}

ebml::Element signatureEl(const Bytes& value, uint32_t kind, uint32_t digestType) {
    return ebml::el(
        0x4153, {ebml::uintEl(0xDC, kind), ebml::uintEl(0xDD, digestType), ebml::el(0xDE, value)});
}

Bytes signedElement(uint64_t id, const Bytes& key, const Bytes& before, const Bytes& after,
                    Bytes* value) {
    const Bytes signature = hmac(key, after);
    if (value != nullptr) {
        *value = signature;
    }
    Bytes payload = before;
    append(payload, ebml::encode(signatureEl(signature)));
    append(payload, after);
    return ebml::encode(ebml::el(id, payload));
}

Bytes signedTag(const Bytes& finalValue, const std::string& serial) {
    Bytes after =
        ebml::encode({ebml::strEl(0x6E12, serial), ebml::strEl(0x6E13, "2026-12-01 08:00:00"),
                      ebml::strEl(0x6E14, "2026-12-01 09:00:00")});
    if (!finalValue.empty()) {
        append(after, ebml::encode(ebml::el(0x6E15, finalValue)));
    }
    return signedElement(0x134E5652, {}, {}, after);
}

Bytes signedCluster(const Bytes& key, Bytes* value, uint8_t frameByte) {
    const Bytes before = ebml::encode(ebml::uintEl(0xE7, 0));
    const Bytes after = ebml::encode(ebml::el(0xA3, Bytes(24, frameByte)));
    return signedElement(0x1F43B675, key, before, after, value);
}

Recorded record(const recorder::RecorderOptions& options) {
    const TempFile file;
    Recorded recorded;
    recorded.layout = recorder::writeRecording(file.path(), options);
    std::ifstream in(file.path(), std::ios::binary);
    recorded.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return recorded;
}

recorder::RecorderOptions smallRecording() {
    recorder::RecorderOptions options;
    options.clusterCount = 2;
    options.blocksPerCluster = 1;
    options.blockSize = 48;
    return options;
}

}  // namespace hostile
