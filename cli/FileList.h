#pragma once

#include <istream>
#include <string>
#include <vector>

// Paths from a list, for `find` pipelines and shards of large archives:
// one per line, or separated by NUL bytes. Empty entries are skipped; an
// entry longer than any path can be is an error.
struct FileList {
    std::vector<std::string> paths;
    std::string error;  // empty when the list was read whole
};

FileList readFileList(std::istream& in, bool nulSeparated);

// From a file, or from standard input for "-".
FileList readFileList(const std::string& source, bool nulSeparated);
