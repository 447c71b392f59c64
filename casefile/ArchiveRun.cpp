#include "casefile/ArchiveRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "report/Escape.h"
#include "report/JsonDepth.h"
#include "signature/Hex.h"

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A shard file of the largest inventory one task should take stays far
// below this; anything longer is not a shard.
constexpr std::streamoff kLongestShardFile = 256LL * 1024 * 1024;

bool syncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

TaskPlace currentTaskPlace() {
    TaskPlace place;
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0) {
        place.host = validUtf8(host);
    }
    if (!environment("SLURM_JOB_ID").empty()) {
        place.scheduler = "slurm";
        place.job = environment("SLURM_ARRAY_JOB_ID");
        place.task = environment("SLURM_ARRAY_TASK_ID");
        if (place.job.empty()) {
            place.job = environment("SLURM_JOB_ID");
        }
    } else if (!environment("PARALLEL_SEQ").empty()) {
        place.scheduler = "parallel";
        place.job = environment("PARALLEL_PID") + "." + environment("PARALLEL_SEQ");
        place.task = environment("PARALLEL_JOBSLOT");
    } else {
        place.scheduler = "none";
        place.job = std::to_string(::getpid());
    }
    place.job = validUtf8(place.job);
    place.task = validUtf8(place.task);
    return place;
}

std::string runKeysOf(const ReportContext& run) {
    return run.publicKeySha256 + " " + run.hmacKeySha256 + " store " +
           (run.keyStoreSha256.empty() ? std::string("none") : run.keyStoreSha256) +
           (run.validationTime.empty() ? std::string() : " at " + run.validationTime);
}

std::string shardName(int64_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "%05lld", static_cast<long long>(number));
    return name;
}

std::string shardPath(const std::string& runFolder, int64_t number) {
    return runFolder + "/shards/" + shardName(number);
}

std::string resultPath(const std::string& resultsFolder, int64_t number) {
    return resultsFolder + "/" + shardName(number) + ".jsonl";
}

std::string shardText(const Shard& shard) {
    std::string text = dumpJson(nlohmann::json{{"telvarShard", 1},
                                               {"runId", shard.runId},
                                               {"shard", shard.number},
                                               {"keysSha256", shard.keysSha256},
                                               {"build", shard.build},
                                               {"files", shard.files.size()}}) +
                       "\n";
    for (const InventoryEntry& entry : shard.files) {
        // The path's exact bytes in hex; "path" shows it to people.
        text += dumpJson(nlohmann::json{{"pathHex", hexBytes(entry.path)},
                                        {"path", validUtf8(entry.path)},
                                        {"size", entry.size},
                                        {"mtimeNs", entry.mtimeNs},
                                        {"device", entry.device},
                                        {"inode", entry.inode}}) +
                "\n";
    }
    return text;
}

std::optional<Shard> readShard(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the shard " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    if (in.tellg() > kLongestShardFile) {
        error = path + " is too long to be a shard";
        return std::nullopt;
    }
    in.seekg(0);
    Shard shard;
    std::string line;
    size_t expected = 0;
    bool header = true;
    while (std::getline(in, line)) {
        const nlohmann::json object = parseStoredJson(line);
        if (header) {
            if (!object.is_object() || object.value("telvarShard", 0) != 1 ||
                !object["runId"].is_string() || !object["shard"].is_number_integer() ||
                !object["files"].is_number_unsigned() || !object["keysSha256"].is_string() ||
                !object["build"].is_string()) {
                error = path + " is not a shard of telvar-verify --plan";
                return std::nullopt;
            }
            shard.runId = object["runId"].get<std::string>();
            shard.keysSha256 = object.value("keysSha256", "");
            shard.build = object.value("build", "");
            shard.number = object["shard"].get<int64_t>();
            expected = object["files"].get<size_t>();
            header = false;
            continue;
        }
        InventoryEntry entry;
        std::optional<std::string> bytes;
        if (object.is_object() && object["pathHex"].is_string()) {
            bytes = bytesOfHex(object["pathHex"].get<std::string>(), HexDigits::LowerCase);
        }
        if (!bytes || bytes->empty() || !object["size"].is_number_integer() ||
            !object["mtimeNs"].is_number_integer() || !object["device"].is_number_unsigned() ||
            !object["inode"].is_number_unsigned()) {
            error = path + ": line " + std::to_string(shard.files.size() + 2) +
                    " is not a file of the inventory";
            return std::nullopt;
        }
        entry.path = *bytes;
        entry.size = object["size"].get<int64_t>();
        entry.mtimeNs = object["mtimeNs"].get<int64_t>();
        entry.device = object["device"].get<uint64_t>();
        entry.inode = object["inode"].get<uint64_t>();
        shard.files.push_back(std::move(entry));
    }
    if (header || shard.files.size() != expected) {
        error = path + " is cut short: it names " + std::to_string(shard.files.size()) + " of " +
                std::to_string(expected) + " files";
        return std::nullopt;
    }
    return shard;
}

bool writeWhole(const std::string& path, const std::string& text, std::string& error) {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    // Named by host and process: tasks on several nodes may share the folder.
    const std::string temporary =
        path + ".part-" + hexBytes(host) + "-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = "cannot write " + temporary + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(temporary.c_str());
            return false;
        }
        written += static_cast<size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot put " + path + " in place: " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
}
