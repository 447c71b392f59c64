#include "casefile/ArchivePlan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"
#include "casefile/CaseSession.h"
#include "report/Escape.h"
#include "report/JsonDepth.h"
#include "report/ReportContext.h"
#include "signature/Hex.h"
#include "signature/Sha256.h"

namespace fs = std::filesystem;

namespace {

bool isRecordingName(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string suffix = name.substr(name.size() - 4);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return suffix == ".mkv";
}

// The entry at `path` as lstat names it: a link is listed as itself, and
// verifying it follows it (one that leads nowhere is an unreadable recording).
std::optional<InventoryEntry> entryAt(const std::string& path, std::vector<std::string>& skipped) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        skipped.push_back(displayText(path) + ": " + std::strerror(errno));
        return std::nullopt;
    }
    InventoryEntry entry;
    entry.path = casePath(path);
    entry.size = static_cast<int64_t>(st.st_size);
    entry.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    entry.device = static_cast<uint64_t>(st.st_dev);
    entry.inode = static_cast<uint64_t>(st.st_ino);
    return entry;
}

// Every folder is read on its own, so one that cannot be read is named and
// the walk goes on with the others.
void walkFolder(const std::string& root, std::vector<InventoryEntry>& files,
                std::vector<std::string>& skipped) {
    std::vector<fs::path> folders{fs::path(root)};
    while (!folders.empty()) {
        const fs::path folder = std::move(folders.back());
        folders.pop_back();
        std::error_code error;
        fs::directory_iterator it(folder, error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            std::error_code kind;
            const fs::file_status status = it->symlink_status(kind);
            if (kind) {
                skipped.push_back(displayText(it->path().string()) + ": " + kind.message());
            } else if (fs::is_directory(status)) {
                folders.push_back(it->path());
            } else if ((fs::is_regular_file(status) || fs::is_symlink(status)) &&
                       isRecordingName(it->path().filename().string())) {
                if (std::optional<InventoryEntry> entry = entryAt(it->path().string(), skipped)) {
                    files.push_back(std::move(*entry));
                }
            }
        }
        if (error) {
            skipped.push_back(displayText(folder.string()) + ": " + error.message());
        }
    }
}

std::string utcDaysAgo(int64_t days) {
    const std::time_t then = std::time(nullptr) - static_cast<std::time_t>(days) * 86400;
    std::tm tm {};
    gmtime_r(&then, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

// Keeps the files the case has not verified since `days` ago.
void keepOlderThan(const std::string& caseFile, int64_t days, std::vector<InventoryEntry>& files) {
    CaseOpenOptions open;
    open.access = CaseOpenOptions::Access::ReadOnly;
    const CaseFile file(caseFile, open);
    std::map<std::string, std::string> latest;
    file.forEachRecording([&](const RecordingRow& row) {
        if (row.latestAt) {
            latest[row.path] = *row.latestAt;
        }
    });
    const std::string since = utcDaysAgo(days);
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const InventoryEntry& entry) {
                                   const auto found = latest.find(entry.path);
                                   return found != latest.end() && found->second >= since;
                               }),
                files.end());
}

std::string optionsText(const PlanRequest& request) {
    return "shard-bytes " + std::to_string(request.shardBytes) + "; shard-files " +
           std::to_string(request.shardFiles) + "; older-than " +
           (request.olderThanDays ? std::to_string(*request.olderThanDays) : std::string("-"));
}

nlohmann::json readPlan(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return parseStoredJson(text.str());
}

}  // namespace

std::vector<InventoryEntry> takeInventory(const std::vector<std::string>& roots,
                                          std::vector<std::string>& skipped) {
    std::vector<InventoryEntry> files;
    for (const std::string& root : roots) {
        struct stat st {};
        if (::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            walkFolder(root, files, skipped);
        } else if (std::optional<InventoryEntry> entry = entryAt(root, skipped)) {
            files.push_back(std::move(*entry));
        }
    }
    std::sort(files.begin(), files.end(),
              [](const InventoryEntry& a, const InventoryEntry& b) { return a.path < b.path; });
    // A file under two roots given is one file of the run.
    files.erase(std::unique(files.begin(), files.end(),
                            [](const InventoryEntry& a, const InventoryEntry& b) {
                                return a.path == b.path;
                            }),
                files.end());
    return files;
}

std::string runIdOf(const PlanRequest& request, const std::vector<InventoryEntry>& files) {
    std::string text = "telvar archive run 1\nkeys " + request.keysSha256 + "\nbuild " +
                       request.build + "\noptions " + optionsText(request) + "\n";
    for (const InventoryEntry& entry : files) {
        text += hexBytes(entry.path) + " " + std::to_string(entry.size) + " " +
                std::to_string(entry.mtimeNs) + " " + std::to_string(entry.device) + " " +
                std::to_string(entry.inode) + "\n";
    }
    return sha256Hex(text.data(), text.size());
}

std::vector<std::vector<InventoryEntry>> cutIntoShards(std::vector<InventoryEntry> files,
                                                       int64_t shardBytes, int64_t shardFiles) {
    std::vector<std::vector<InventoryEntry>> shards;
    int64_t bytes = 0;
    for (InventoryEntry& entry : files) {
        const bool full = !shards.empty() &&
                          (static_cast<int64_t>(shards.back().size()) >= shardFiles ||
                           entry.size > shardBytes - bytes);
        if (shards.empty() || full) {
            shards.emplace_back();
            bytes = 0;
        }
        bytes += std::min(entry.size, shardBytes);
        shards.back().push_back(std::move(entry));
    }
    return shards;
}

PlanResult planRun(const PlanRequest& request) {
    PlanResult result;
    std::vector<InventoryEntry> files = takeInventory(request.roots, result.skipped);
    if (request.olderThanDays) {
        try {
            keepOlderThan(request.caseFile, *request.olderThanDays, files);
        } catch (const CaseError& error) {
            result.error = displayText(request.caseFile) + ": " + error.what();
            return result;
        }
    }
    result.runId = runIdOf(request, files);
    result.files = static_cast<int64_t>(files.size());
    for (const InventoryEntry& entry : files) {
        result.bytes += entry.size;
    }
    const std::string planPath = request.runFolder + "/plan.json";
    if (fs::exists(planPath)) {
        const nlohmann::json plan = readPlan(planPath);
        if (plan.is_object() && plan.value("runId", "") == result.runId) {
            result.alreadyPlanned = true;
            result.shards = plan.value("shards", 0);
            return result;
        }
        result.error = displayText(request.runFolder) +
                       " holds another run (its inventory, keys, build or options differ); "
                       "plan the new run into a folder of its own";
        return result;
    }
    std::error_code error;
    fs::create_directories(request.runFolder + "/shards", error);
    if (!error) {
        fs::create_directories(request.runFolder + "/results", error);
    }
    if (error) {
        result.error = "cannot make " + displayText(request.runFolder) + ": " + error.message();
        return result;
    }
    std::string list;  // NUL-separated, for --files-from LIST -0
    for (const InventoryEntry& entry : files) {
        list += entry.path;
        list.push_back('\0');
    }
    const std::vector<std::vector<InventoryEntry>> shards =
        cutIntoShards(std::move(files), request.shardBytes, request.shardFiles);
    result.shards = static_cast<int64_t>(shards.size());
    std::string problem;
    for (size_t i = 0; i < shards.size(); ++i) {
        const Shard shard{result.runId, static_cast<int64_t>(i), request.keysSha256, request.build,
                          shards[i]};
        if (!writeWhole(shardPath(request.runFolder, shard.number), shardText(shard), problem)) {
            result.error = problem;
            return result;
        }
    }
    // Shards an earlier, unfinished plan left past this one's end.
    for (int64_t extra = result.shards; fs::remove(shardPath(request.runFolder, extra), error);
         ++extra) {
    }
    nlohmann::json roots = nlohmann::json::array();
    for (const std::string& root : request.roots) {
        roots.push_back({{"path", validUtf8(casePath(root))}, {"pathHex", hexBytes(casePath(root))}});
    }
    const nlohmann::json plan = {
        {"telvarRun", 1},
        {"runId", result.runId},
        {"plannedAt", utcNowText()},
        {"roots", roots},
        {"keysSha256", request.keysSha256},
        {"build", request.build},
        {"options",
         {{"shardBytes", request.shardBytes},
          {"shardFiles", request.shardFiles},
          {"olderThanDays",
           request.olderThanDays ? nlohmann::json(*request.olderThanDays) : nlohmann::json(nullptr)}}},
        {"files", result.files},
        {"bytes", result.bytes},
        {"shards", result.shards},
        {"skipped", result.skipped}};
    if (!writeWhole(request.runFolder + "/files0", list, problem) ||
        !writeWhole(planPath, dumpJson(plan) + "\n", problem)) {
        result.error = problem;
    }
    return result;
}
