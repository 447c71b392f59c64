#include "casefile/ArchiveResults.h"

#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "report/JsonDepth.h"

namespace {

// Far past what a shard's results can be; a longer file is not one.
constexpr std::streamoff kLongestResults = 2LL * 1024 * 1024 * 1024;
const std::string kEvidenceKey = ",\"evidence\":";

std::string textOf(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

ShardResults damaged(std::string problem) {
    ShardResults results;
    results.state = ShardResults::State::Damaged;
    results.problem = std::move(problem);
    return results;
}

}  // namespace

ShardResults readShardResults(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return ShardResults();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in || st.st_size > kLongestResults) {
        return damaged("it cannot be read, or is too long to be a task's results");
    }
    ShardResults results;
    std::string line;
    bool header = true;
    bool ended = false;
    while (std::getline(in, line)) {
        const nlohmann::json object = parseStoredJson(line);
        if (!object.is_object() || ended) {
            return damaged("line " + std::to_string(results.records.size() + 2) +
                           " is not a result line");
        }
        if (header) {
            const auto shard = object.find("shard");
            if (object.value("telvarResults", 0) != 1 || shard == object.end() ||
                !shard->is_number_integer()) {
                return damaged("it is not the results of a shard");
            }
            results.runId = textOf(object, "runId");
            results.shard = shard->get<int64_t>();
            header = false;
            continue;
        }
        if (object.value("end", false)) {
            const auto files = object.find("files");
            if (files == object.end() || !files->is_number_unsigned() ||
                files->get<size_t>() != results.records.size()) {
                return damaged("its end line counts other records than it holds");
            }
            ended = true;
            continue;
        }
        const auto item = object.find("item");
        const auto evidence = object.find("evidence");
        const size_t at = line.find(kEvidenceKey);
        if (item == object.end() || !item->is_number_unsigned() ||
            item->get<size_t>() != results.records.size() || evidence == object.end() ||
            !evidence->is_object() || at == std::string::npos || textOf(object, "runId") != results.runId) {
            return damaged("line " + std::to_string(results.records.size() + 2) +
                           " is not the next result of the shard");
        }
        ResultRecord record;
        record.item = item->get<int64_t>();
        record.host = textOf(object, "host");
        record.scheduler = textOf(object, "scheduler");
        record.job = textOf(object, "job");
        record.task = textOf(object, "task");
        record.startedAt = textOf(object, "startedAt");
        record.endedAt = textOf(object, "endedAt");
        record.evidenceJson = line.substr(at + kEvidenceKey.size(),
                                          line.size() - at - kEvidenceKey.size() - 1);
        results.records.push_back(std::move(record));
    }
    if (header || !ended) {
        return damaged("it is cut short");
    }
    results.state = ShardResults::State::Complete;
    return results;
}
