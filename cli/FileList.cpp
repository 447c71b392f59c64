#include "cli/FileList.h"

#include "report/Escape.h"

#include <sys/stat.h>

#include <climits>
#include <fstream>
#include <iostream>

#include "cli/VerdictFormat.h"

namespace {

constexpr size_t kLongestPath = PATH_MAX;
// More entries, empty ones counted, than any archive's list: an endless
// source (/dev/zero with -0) ends with an error rather than running on.
constexpr size_t kMostEntries = 10'000'000;

}  // namespace

FileList readFileList(std::istream& in, bool nulSeparated) {
    FileList list;
    const char separator = nulSeparated ? '\0' : '\n';
    std::string entry;
    char c = 0;
    size_t line = 1;
    while (in.get(c)) {
        if (c != separator) {
            if (entry.size() >= kLongestPath) {
                list.error = "entry " + std::to_string(line) + " of the list is longer than a path";
                list.paths.clear();
                return list;
            }
            entry += c;
            continue;
        }
        if (!entry.empty()) {
            list.paths.push_back(entry);
        }
        entry.clear();
        if (++line > kMostEntries) {
            list.error = "the list has more than " + std::to_string(kMostEntries) +
                         " entries; give it in parts";
            list.paths.clear();
            return list;
        }
    }
    if (!entry.empty()) {
        list.paths.push_back(entry);
    }
    return list;
}

FileList readFileList(const std::string& source, bool nulSeparated) {
    if (source == "-") {
        return readFileList(std::cin, nulSeparated);
    }
    struct stat st {};
    if (::stat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        FileList list;
        list.error = "the list " + displayText(source) +
                     " is a folder; give a file of paths, or - for standard input";
        return list;
    }
    std::ifstream file(source, std::ios::binary);
    if (!file) {
        FileList list;
        list.error = "cannot read the list " + displayText(source);
        return list;
    }
    return readFileList(file, nulSeparated);
}
