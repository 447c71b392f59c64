#include "cli/FileList.h"

#include "report/Escape.h"

#include <climits>
#include <fstream>
#include <iostream>

#include "cli/VerdictFormat.h"

namespace {

constexpr size_t kLongestPath = PATH_MAX;

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
        ++line;
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
    std::ifstream file(source, std::ios::binary);
    if (!file) {
        FileList list;
        list.error = "cannot read the list " + displayText(source);
        return list;
    }
    return readFileList(file, nulSeparated);
}
