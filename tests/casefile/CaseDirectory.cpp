#include "CaseDirectory.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

CaseDirectory::CaseDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/telvar-case-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    dir = name.data();
}

CaseDirectory::~CaseDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

CommandResult makeDemoRecordings(const std::string& folder) {
    return runCommand(std::string(TELVAR_MAKE_DEMO_EXE) + " " + quoted(folder) + " >/dev/null");
}

CommandResult runVerify(const std::string& arguments, bool withErrors) {
    return runCommand(std::string(TELVAR_VERIFY_EXE) + " " + arguments +
                      (withErrors ? " 2>&1" : " 2>/dev/null"));
}

CommandResult runSqlite(const std::string& db, const std::string& sql) {
    return runCommand(std::string(TELVAR_SQLITE3_EXE) + " " + quoted(db) + " " + quoted(sql) +
                      " 2>&1");
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}
