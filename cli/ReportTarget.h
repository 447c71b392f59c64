#pragma once

#include <string>

// What is at the place a report is to be written. Only a report this
// program wrote may be replaced there: a slip of the command line must
// never destroy a recording or any other file.
enum class ReportTarget {
    Absent,      // nothing there (or the path cannot be looked at: writing will say why)
    OwnReport,   // a report written here before, which may be replaced
    Folder,      // a folder, or a link to one
    OtherFile,   // anything else: a file without the report's mark, a device, a dangling link
    Unreadable,  // a file whose start cannot be read to look for the mark
};

ReportTarget reportTargetOf(const std::string& path);
