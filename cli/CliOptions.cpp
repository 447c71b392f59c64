#include "cli/CliOptions.h"

#include <cstdlib>

namespace {

// A whole number from 1 to 1024, or 0 when the text is none.
int parseJobs(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 4) {
        return 0;
    }
    const int value = std::atoi(text.c_str());
    return value >= 1 && value <= 1024 ? value : 0;
}

// Options that take a text: where their value goes.
std::string* textTarget(CliOptions& options, const std::string& name) {
    if (name == "--report") {
        return &options.reportPath;
    }
    if (name == "--examiner") {
        return &options.examiner;
    }
    if (name == "--case") {
        return &options.caseReference;
    }
    if (name == "--case-file") {
        return &options.caseFile;
    }
    if (name == "--files-from") {
        return &options.filesFrom;
    }
    if (name == "--expect-head") {
        return &options.expectHead;
    }
    if (name == "--report-file") {
        return &options.reportFile;
    }
    if (name == "--examiner-key") {
        return &options.examinerKey;
    }
    if (name == "--still") {
        return &options.stillText;
    }
    if (name == "--out") {
        return &options.stillOut;
    }
    if (name == "--validation-time") {
        return &options.validationTime;
    }
    if (name == "--shard") {
        return &options.shardFile;
    }
    if (name == "--merge") {
        return &options.mergeRun;
    }
    if (name == "--shard-bytes") {
        return &options.shardBytesText;
    }
    if (name == "--shard-files") {
        return &options.shardFilesText;
    }
    if (name == "--older-than") {
        return &options.olderThanText;
    }
    return nullptr;
}

// "--name VALUE" or "--name=VALUE" for the options that take a text; false
// when `arguments[i]` is none of them. A missing or empty value is a usage error.
bool takeText(CliOptions& options, const std::vector<std::string>& arguments, size_t& i) {
    const std::string& argument = arguments[i];
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    std::string* const target = textTarget(options, name);
    if (target == nullptr) {
        return false;
    }
    if (equals != std::string::npos) {
        *target = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
        *target = arguments[++i];
    } else {
        target->clear();
    }
    if (target->empty()) {
        options.action = CliOptions::Action::UsageError;
        options.error = name + " needs a value";
    }
    return true;
}

void usageError(CliOptions& options, const std::string& error) {
    options.action = CliOptions::Action::UsageError;
    options.error = error;
}

// A whole number from 1, with an optional K, M, G or T (powers of 1024);
// none when the text is not one or passes 2^62.
std::optional<int64_t> parseCount(const std::string& text) {
    static const std::string units = "KMGT";
    std::string digits = text;
    int shift = 0;
    if (!digits.empty() && units.find(digits.back()) != std::string::npos) {
        shift = 10 * (1 + static_cast<int>(units.find(digits.back())));
        digits.pop_back();
    }
    if (digits.empty() || digits.size() > 15 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int64_t value = std::strtoll(digits.c_str(), nullptr, 10);
    if (value < 1 || value > (int64_t{1} << (62 - shift))) {
        return std::nullopt;
    }
    return value << shift;
}

bool archiveAction(const CliOptions& options) {
    return options.plan || !options.shardFile.empty() || !options.mergeRun.empty();
}

// --plan, --shard and --merge each stand alone: the run's own options and
// nothing that prints or writes anything else.
void checkArchiveAction(CliOptions& options) {
    const bool tuning = !options.shardBytesText.empty() || !options.shardFilesText.empty() ||
                        !options.olderThanText.empty();
    const int actions = (options.plan ? 1 : 0) + (options.shardFile.empty() ? 0 : 1) +
                        (options.mergeRun.empty() ? 0 : 1);
    const bool otherOutput = options.json || options.jsonLines || options.csv ||
                             options.clusters || !options.reportPath.empty() ||
                             !options.filesFrom.empty() || options.frames ||
                             !options.stillText.empty() ||
                             (options.caseAction != CliOptions::CaseAction::None &&
                              options.caseAction != CliOptions::CaseAction::Merge);
    if (actions > 1) {
        return usageError(options, "only one of --plan, --shard and --merge at a time");
    }
    if (otherOutput) {
        return usageError(options, "--plan, --shard and --merge take no other output or action");
    }
    if (tuning && !options.plan) {
        return usageError(options, "--shard-bytes, --shard-files and --older-than are options of --plan");
    }
    if (!options.mergeRun.empty()) {
        if (options.caseFile.empty() || !options.files.empty() || !options.stillOut.empty()) {
            return usageError(options, "--merge RUN needs --case-file and takes no file and no --out");
        }
        options.caseAction = CliOptions::CaseAction::Merge;
        return;
    }
    if (options.stillOut.empty()) {
        return usageError(options, "--plan and --shard need --out: the run's folder, or its results");
    }
    if (!options.shardFile.empty()) {
        if (!options.files.empty() || !options.caseFile.empty()) {
            return usageError(options, "--shard takes no file and no case: its shard names the files");
        }
        options.action = CliOptions::Action::Shard;
        return;
    }
    if (options.files.empty()) {
        return usageError(options, "--plan needs a folder or file to take the inventory of");
    }
    if (!options.olderThanText.empty() && options.caseFile.empty()) {
        return usageError(options, "--older-than needs --case-file: the case that knows when each was verified");
    }
    if (options.olderThanText.empty() && !options.caseFile.empty()) {
        return usageError(options, "--plan writes no case: --case-file goes with --older-than or --merge");
    }
    const std::optional<int64_t> bytes =
        options.shardBytesText.empty() ? options.shardBytes : parseCount(options.shardBytesText);
    const std::optional<int64_t> files =
        options.shardFilesText.empty() ? options.shardFiles : parseCount(options.shardFilesText);
    if (!bytes || !files) {
        return usageError(options, "--shard-bytes and --shard-files need a number from 1 (K, M, G, T allowed)");
    }
    options.shardBytes = *bytes;
    options.shardFiles = *files;
    if (!options.olderThanText.empty()) {
        const std::string& days = options.olderThanText;
        if (days.size() > 6 || days.find_first_not_of("0123456789") != std::string::npos) {
            return usageError(options, "--older-than needs a number of days");
        }
        options.olderThanDays = std::strtoll(days.c_str(), nullptr, 10);
    }
    options.action = CliOptions::Action::Plan;
}

// --frames and --still look at one file and write nothing else.
void checkFrameAction(CliOptions& options) {
    const bool still = !options.stillText.empty();
    if (options.frames && still) {
        return usageError(options, "--frames and --still cannot be combined");
    }
    if (!options.frames && !still) {
        if (!options.stillOut.empty()) {
            usageError(options, "--out is the file of --still");
        }
        return;
    }
    const bool otherOutput = options.json || options.jsonLines || options.csv ||
                             options.clusters || !options.reportPath.empty() ||
                             !options.caseFile.empty() || !options.filesFrom.empty() ||
                             options.caseAction != CliOptions::CaseAction::None;
    if (options.files.size() != 1 || otherOutput) {
        return usageError(options, "--frames and --still take one file and no other output");
    }
    if (options.frames) {
        options.action = CliOptions::Action::Frames;
        return;
    }
    const std::string& n = options.stillText;
    if (n.size() > 15 || n.find_first_not_of("0123456789") != std::string::npos ||
        std::strtoll(n.c_str(), nullptr, 10) < 1) {
        return usageError(options, "--still needs a frame number from 1");
    }
    if (options.stillOut.empty()) {
        return usageError(options, "--still needs --out FILE.png");
    }
    options.stillFrame = std::strtoll(n.c_str(), nullptr, 10);
    options.action = CliOptions::Action::Still;
}

// Only one of --json, --jsonl and --csv owns standard output; the case's own
// actions need a case and take no file.
void checkCombination(CliOptions& options) {
    if (options.action != CliOptions::Action::Verify) {
        return;
    }
    if (archiveAction(options)) {
        return checkArchiveAction(options);
    }
    checkFrameAction(options);
    if (options.action != CliOptions::Action::Verify) {
        return;
    }
    using CaseAction = CliOptions::CaseAction;
    const bool caseOnly = options.caseAction == CaseAction::Audit ||
                          options.caseAction == CaseAction::List;
    const bool hasFiles = !options.files.empty() || !options.filesFrom.empty();
    if (options.json && options.jsonLines) {
        usageError(options, "--json and --jsonl cannot be combined");
    } else if (options.csv && (options.json || options.jsonLines)) {
        usageError(options, "--csv cannot be combined with --json or --jsonl");
    } else if (options.caseAction != CaseAction::None && options.caseFile.empty()) {
        usageError(options, "--audit, --list and --reverify need --case-file");
    } else if (options.caseAction != CaseAction::None && hasFiles) {
        usageError(options, "--audit, --list and --reverify take no file: the case names them");
    } else if (caseOnly && (!options.reportPath.empty() || options.clusters)) {
        usageError(options, "--audit and --list verify nothing: --report and --clusters do not apply");
    } else if ((!options.expectHead.empty() || !options.reportFile.empty()) &&
               options.caseAction != CaseAction::Audit) {
        usageError(options, "--expect-head and --report-file are checks of --audit");
    } else if (options.nulSeparated && options.filesFrom.empty()) {
        usageError(options, "-0 needs --files-from");
    } else if (options.caseAction == CaseAction::None && !hasFiles) {
        usageError(options, "no file given");
    }
}

// The case's actions; false when `argument` is none of them.
bool takeCaseAction(CliOptions& options, const std::string& argument) {
    using CaseAction = CliOptions::CaseAction;
    CaseAction action = CaseAction::None;
    if (argument == "--audit") {
        action = CaseAction::Audit;
    } else if (argument == "--list") {
        action = CaseAction::List;
    } else if (argument == "--reverify") {
        action = CaseAction::Reverify;
    } else {
        return false;
    }
    if (options.caseAction != CaseAction::None && options.caseAction != action) {
        usageError(options, "only one of --audit, --list and --reverify at a time");
    }
    options.caseAction = action;
    return true;
}

// The index after the --keys options that open the command line: "keys"
// there starts the key store's own command.
size_t takenKeyStores(const CliOptions& options, const std::vector<std::string>& arguments) {
    size_t at = 0;
    for (size_t taken = 0; taken < options.keyStores.size() && at < arguments.size(); ++taken) {
        at += arguments[at] == "--keys" ? 2 : 1;
    }
    return at;
}

}  // namespace

CliOptions parseCommandLine(const std::vector<std::string>& arguments) {
    CliOptions options;
    bool onlyFiles = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (i == takenKeyStores(options, arguments) && i < arguments.size() &&
            arguments[i] == "keys") {
            options.action = CliOptions::Action::Keys;
            options.keysArguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                         arguments.end());
            return options;
        }
        if (!onlyFiles && (argument == "--keys" || argument.rfind("--keys=", 0) == 0)) {
            const bool inlineValue = argument.rfind("--keys=", 0) == 0;
            const std::string value =
                inlineValue ? argument.substr(7) : (i + 1 < arguments.size() ? arguments[++i] : "");
            if (value.empty()) {
                usageError(options, "--keys needs a key store file");
                return options;
            }
            options.keyStores.push_back(value);
            continue;
        }
        if (!onlyFiles && argument.rfind("--", 0) == 0 && takeText(options, arguments, i)) {
            if (options.action == CliOptions::Action::UsageError) {
                return options;
            }
            continue;
        }
        if (!onlyFiles &&
            (argument == "--jobs" || argument == "-j" || argument.rfind("--jobs=", 0) == 0)) {
            const bool inlineValue = argument.rfind("--jobs=", 0) == 0;
            const std::string value =
                inlineValue ? argument.substr(7) : (i + 1 < arguments.size() ? arguments[++i] : "");
            options.jobs = parseJobs(value);
            if (options.jobs == 0) {
                options.action = CliOptions::Action::UsageError;
                options.error = "--jobs needs a number from 1 to 1024";
                return options;
            }
            continue;
        }
        if (!onlyFiles && takeCaseAction(options, argument)) {
            if (options.action == CliOptions::Action::UsageError) {
                return options;
            }
            continue;
        }
        if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
            options.files.push_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--jsonl") {
            options.jsonLines = true;
        } else if (argument == "-0") {
            options.nulSeparated = true;
        } else if (argument == "--csv") {
            options.csv = true;
        } else if (argument == "--clusters") {
            options.clusters = true;
        } else if (argument == "--frames") {
            options.frames = true;
        } else if (argument == "--plan") {
            options.plan = true;
        } else if (argument == "--help" || argument == "-h") {
            options.action = CliOptions::Action::Help;
            return options;
        } else if (argument == "--version") {
            options.action = CliOptions::Action::Version;
            return options;
        } else {
            options.action = CliOptions::Action::UsageError;
            options.error = "unknown option: " + argument;
            return options;
        }
    }
    checkCombination(options);
    return options;
}

const char* usageText() {
    return "Usage: telvar-verify [--json | --jsonl | --csv] [--clusters] [--report FILE.html]\n"
           "                     [--examiner NAME] [--case REF] [--jobs N]\n"
           "                     [--case-file FILE.telvarcase] [--files-from LIST [-0]] FILE...\n"
           "       telvar-verify --case-file FILE.telvarcase --audit [--expect-head N:SHA256]\n"
           "                     [--report-file REPORT] | --list | --reverify\n"
           "       telvar-verify --plan [--shard-bytes N] [--shard-files N]\n"
           "                     [--case-file FILE.telvarcase --older-than DAYS] ROOT... --out RUN\n"
           "       telvar-verify --shard RUN/shards/NNNNN --out RUN/results [--jobs N]\n"
           "       telvar-verify --case-file FILE.telvarcase --merge RUN\n"
           "       telvar-verify --frames FILE\n"
           "       telvar-verify [--keys STORE] keys list | show ID | add PEM --label L\n"
           "                     [--recorder S]... [--from T] [--until T] | retire ID [--at T]\n"
           "                     | revoke ID --at T --reason R\n"
           "       telvar-verify --still N FILE --out STILL.png\n"
           "Verifies the recorder signatures of surveillance recordings (.mkv).\n"
           "\n"
           "  --json           print one JSON array with an object per file\n"
           "  --jsonl          print one JSON object per line as each file finishes\n"
           "  --csv            print CSV: a title line, then a line per file as each finishes\n"
           "  --clusters       list every cluster in the JSON objects\n"
           "  --report FILE    write a printable HTML evidence report and print its SHA-256\n"
           "  --examiner NAME  the examiner's name, for the report and the JSON\n"
           "  --case REF       the case reference, for the report and the JSON\n"
           "  --jobs N         verify up to N files at once (default: one per core); a\n"
           "                   file verified alone spreads its clusters over N threads\n"
           "  --case-file FILE create or open the case file FILE and record in it each\n"
           "                   file verified, its evidence and a custody event\n"
           "  --audit          check the case's custody log and its seals (exit 1: broken,\n"
           "                   or events no seal vouches for)\n"
           "  --expect-head N:SHA256  with --audit: check that a head kept elsewhere (its\n"
           "                   event number and at least 16 hex digits of its SHA-256)\n"
           "                   is still in the log\n"
           "  --report-file R  with --audit: find the export event of the kept report R\n"
           "                   by its SHA-256\n"
           "  --examiner-key FILE  the examiner's Ed25519 key that seals each run (made\n"
           "                   when missing; default $TELVAR_EXAMINER_KEY, else\n"
           "                   $XDG_CONFIG_HOME/telvar/examiner-ed25519.pem)\n"
           "  --list           print the case's recordings with their latest evidence\n"
           "  --reverify       verify every recording of the case again and compare\n"
           "                   each file's SHA-256 with the one taken when it was added\n"
           "  --files-from LIST  also verify the paths in LIST (\"-\": standard input),\n"
           "                   one per line, or NUL-separated with -0\n"
           "  --frames         print every frame of FILE's video track as a JSON line:\n"
           "                   its pts, bytes, cluster, standing and packet SHA-256\n"
           "  --still N        write frame N (from 1) of FILE as a lossless PNG, with\n"
           "                   a JSON record of its origin and proof beside it\n"
           "  --out FILE       the PNG of --still; the record is FILE with .json\n"
           "  --keys STORE     trust the recorder keys of the key store STORE (TOML; may\n"
           "                   be given more than once); default\n"
           "                   $XDG_CONFIG_HOME/telvar/keys.toml, else /etc/telvar/keys.toml,\n"
           "                   else the built-in keys only\n"
           "  --validation-time T  judge revocations at T (UTC, YYYY-MM-DDThh:mm:ssZ)\n"
           "                   instead of now, so a later run gives the same verdicts\n"
           "  --plan ROOT...   take the inventory of an archive run (the .mkv files under\n"
           "                   each folder ROOT) and cut it into shards in RUN\n"
           "  --shard-bytes N  with --plan: at most N bytes per shard (K, M, G, T; 32G)\n"
           "  --shard-files N  with --plan: at most N files per shard (1000)\n"
           "  --older-than DAYS  with --plan: only files the case has not verified\n"
           "                   within DAYS days\n"
           "  --shard SHARD    verify one shard of a run into the folder --out names\n"
           "  --merge RUN      store a run's results in the case, each once\n"
           "  --help           show this text\n"
           "  --version        show the version\n"
           "\n"
           "Exit status: 0 every file verified, 1 some file did not (--audit: the log\n"
           "is broken), 2 usage error, 3 the report could not be written, 4 the case\n"
           "file could not be opened or written; --merge: 5 some shard has no results\n"
           "yet (run it again), 1 a file did not verify, changed or went missing.\n";
}
