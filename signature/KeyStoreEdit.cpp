#include "signature/KeyStoreEdit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "signature/KeyStore.h"
#include "signature/RecordingEvidence.h"

namespace nvr {

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::string trimmedStart(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : line.substr(first);
}

// Whether `line` sets `field`: "field = ..." after any indent.
bool sets(const std::string& line, const std::string& field) {
    const std::string rest = trimmedStart(line);
    if (rest.compare(0, field.size(), field) != 0) {
        return false;
    }
    const std::string after = trimmedStart(rest.substr(field.size()));
    return !after.empty() && after[0] == '=';
}

void requireTime(const std::string& time, const char* what) {
    if (!time.empty() && !tagTimeSeconds(time)) {
        throw KeyStoreError(std::string(what) + " must be a time \"YYYY-MM-DD hh:mm:ss\"");
    }
}

// The 1-based header line of the entry for `id` in `text`, appending an
// entry for a built-in key when the store has none yet.
size_t entryLine(std::vector<std::string>& lines, const std::string& path,
                 const std::string& id) {
    const KeyStore whole = KeyStore::parse(joined(lines), path);
    for (const TrustedKey& key : whole.keys()) {
        if (!key.builtIn && key.id == id) {
            return static_cast<size_t>(key.line);
        }
    }
    const KeyStore builtInKeys = KeyStore::builtIn();
    for (const TrustedKey& builtIn : builtInKeys.keys()) {
        if (builtIn.id != id) {
            continue;
        }
        for (const TrustedKey& key : whole.keys()) {
            if (key.builtIn && key.kind == builtIn.kind) {
                return static_cast<size_t>(key.line);
            }
        }
        lines.push_back(std::string());
        lines.push_back("[[key]]");
        const size_t header = lines.size();
        lines.push_back(std::string("builtin = \"") + keyKindCode(builtIn.kind) + "\"");
        return header;
    }
    throw KeyStoreError(path + ": no key " + id + " in the store");
}

// Sets `field` to the TOML value `value` in the entry whose header is line
// `header`: its own line replaced, or a new one after the header.
void setField(std::vector<std::string>& lines, size_t header, const std::string& field,
              const std::string& value) {
    size_t end = header;
    while (end < lines.size() && trimmedStart(lines[end]).rfind('[', 0) != 0) {
        ++end;
    }
    for (size_t i = header; i < end; ++i) {
        if (sets(lines[i], field)) {
            if (lines[i].find("\"\"\"") != std::string::npos ||
                lines[i].find("'''") != std::string::npos) {
                throw KeyStoreError("line " + std::to_string(i + 1) + ": " + field +
                                    " spans several lines; change it by hand");
            }
            lines[i] = field + " = " + value;
            return;
        }
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(header), field + " = " + value);
}

// The edited text, read whole, must say what was asked of the key.
std::string checked(const std::vector<std::string>& lines, const std::string& path,
                    const std::string& id, KeyStatus status) {
    const std::string text = joined(lines);
    const KeyStore store = KeyStore::parse(text, path);
    const KeyStore builtInKeys = KeyStore::builtIn();
    for (const TrustedKey& builtIn : builtInKeys.keys()) {
        for (const TrustedKey& key : store.keys()) {
            if (key.builtIn && key.kind == builtIn.kind && builtIn.id == id &&
                key.status == status) {
                return text;
            }
        }
    }
    const TrustedKey* const key = store.find(id);
    if (key == nullptr || key->status != status) {
        throw KeyStoreError(path + ": the change to " + id + " did not read back as made");
    }
    return text;
}

}  // namespace

std::string tomlQuoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", unsigned{byte});
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string withKeyAdded(const std::string& text, const std::string& path, const NewKey& key,
                         const std::string& addedAt) {
    requireTime(key.validFrom, "--from");
    requireTime(key.validUntil, "--until");
    std::string pem = key.pem;
    if (!pem.empty() && pem.back() != '\n') {
        pem += '\n';
    }
    if (pem.find("\"\"\"") != std::string::npos || pem.find('\\') != std::string::npos) {
        throw KeyStoreError("the PEM file is not a public key");
    }
    std::string block = "\n# added " + addedAt + "\n[[key]]\nlabel = " + tomlQuoted(key.label) +
                        "\npublic_key = \"\"\"\n" + pem + "\"\"\"\n";
    if (!key.recorders.empty()) {
        block += "recorders = [";
        for (size_t i = 0; i < key.recorders.size(); ++i) {
            block += (i == 0 ? "" : ", ") + tomlQuoted(key.recorders[i]);
        }
        block += "]\n";
    }
    if (!key.validFrom.empty()) {
        block += "valid_from = " + tomlQuoted(key.validFrom) + "\n";
    }
    if (!key.validUntil.empty()) {
        block += "valid_until = " + tomlQuoted(key.validUntil) + "\n";
    }
    std::string result = text;
    if (!result.empty() && result.back() != '\n') {
        result += '\n';
    }
    result += block;
    KeyStore::parse(result, path);  // read whole: a bad key or a duplicate is refused
    return result;
}

std::string withKeyRetired(const std::string& text, const std::string& path,
                           const std::string& id, const std::string& at) {
    requireTime(at, "--at");
    std::vector<std::string> lines = linesOf(text);
    const size_t header = entryLine(lines, path, id);
    setField(lines, header, "status", "\"retired\"");
    if (!at.empty()) {
        setField(lines, header, "valid_until", tomlQuoted(at));
    }
    return checked(lines, path, id, KeyStatus::Retired);
}

std::string withKeyRevoked(const std::string& text, const std::string& path,
                           const std::string& id, const std::string& at,
                           const std::string& reason) {
    if (at.empty() || reason.empty()) {
        throw KeyStoreError("a revocation needs --at and --reason");
    }
    requireTime(at, "--at");
    std::vector<std::string> lines = linesOf(text);
    const size_t header = entryLine(lines, path, id);
    setField(lines, header, "reason", tomlQuoted(reason));
    setField(lines, header, "revoked_at", tomlQuoted(at));
    setField(lines, header, "status", "\"revoked\"");
    return checked(lines, path, id, KeyStatus::Revoked);
}

std::string readKeyStoreText(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        return std::string();
    }
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxKeyStoreBytes) {
        throw KeyStoreError(path + ": not a key store file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw KeyStoreError(path + ": the key store cannot be read");
    }
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeKeyStoreText(const std::string& path, const std::string& text) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    if (slash != std::string::npos) {
        std::string made;
        for (size_t at = 1; at <= folder.size(); ++at) {
            if (at == folder.size() || folder[at] == '/') {
                made = folder.substr(0, at);
                if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
                    throw KeyStoreError(made + ": " + std::strerror(errno));
                }
            }
        }
    }
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 0777) : 0644;
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        throw KeyStoreError(path + ": cannot write beside it: " + std::strerror(errno));
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    const bool ok = written == text.size() && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!ok || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(temporary.c_str());
        throw KeyStoreError(path + ": cannot be written: " + why);
    }
}

}  // namespace nvr
