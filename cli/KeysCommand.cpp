#include "cli/KeysCommand.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "cli/ExitStatus.h"
#include "report/Escape.h"
#include "report/ReportContext.h"
#include "signature/KeyStore.h"
#include "signature/KeyStoreEdit.h"
#include "signature/KeyStorePaths.h"
#include "signature/KeysInUse.h"

namespace {

constexpr int kStoreNotWritten = 4;

void complain(const std::string& text) {
    std::cerr << "telvar-verify: " << displayText(text) << '\n';
}

void listKeys(const nvr::KeyStore& store) {
    std::cout << "Key store: " << displayText(store.description()) << ", SHA-256 "
              << (store.sha256().empty() ? "none" : store.sha256()) << '\n';
    for (const nvr::TrustedKey& key : store.keys()) {
        std::cout << key.id << "  " << nvr::keyKindCode(key.kind) << "  "
                  << nvr::keyStatusCode(key.status) << "  " << displayText(key.label) << "  ("
                  << displayText(nvr::validityWindowText(key)) << ")\n";
    }
}

void showKey(const nvr::TrustedKey& key) {
    std::cout << "id:          " << key.id << '\n'
              << "kind:        " << nvr::keyKindCode(key.kind) << '\n'
              << "label:       " << displayText(key.label) << '\n'
              << "status:      " << nvr::keyStatusCode(key.status) << '\n'
              << "valid:       " << displayText(nvr::validityWindowText(key)) << '\n';
    std::string recorders;
    for (const std::string& serial : key.recorders) {
        recorders += (recorders.empty() ? "" : ", ") + serial;
    }
    std::cout << "recorders:   " << (recorders.empty() ? "any" : displayText(recorders)) << '\n';
    if (key.status == nvr::KeyStatus::Revoked) {
        std::cout << "revoked at:  " << displayText(key.revokedAt) << '\n'
                  << "reason:      " << displayText(key.reason) << '\n';
    }
    std::cout << "from:        "
              << (key.builtIn && key.line == 0
                      ? std::string("built in")
                      : displayText(key.source) + " line " + std::to_string(key.line))
              << '\n';
}

// The options after the action: --name VALUE pairs, each at most once but
// --recorder; false with the reason printed for anything else.
struct EditOptions {
    std::string label, from, until, at, reason;
    std::vector<std::string> recorders;
};

bool readEditOptions(const std::vector<std::string>& arguments, size_t from, EditOptions& out) {
    for (size_t i = from; i < arguments.size(); i += 2) {
        const std::string& name = arguments[i];
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
            complain(name + " needs a value");
            return false;
        }
        const std::string& value = arguments[i + 1];
        if (name == "--recorder") {
            out.recorders.push_back(value);
            continue;
        }
        std::string* const target = name == "--label"    ? &out.label
                                    : name == "--from"   ? &out.from
                                    : name == "--until"  ? &out.until
                                    : name == "--at"     ? &out.at
                                    : name == "--reason" ? &out.reason
                                                         : nullptr;
        if (target == nullptr || !target->empty()) {
            complain(target == nullptr ? "unknown option: " + name : name + " given twice");
            return false;
        }
        *target = value;
    }
    return true;
}

// "YYYY-MM-DD hh:mm:ss" of the clock, for the comment above an added key.
std::string nowText() {
    std::string now = utcNowText();
    return now.substr(0, 10) + " " + now.substr(11, 8) + " UTC";
}

int edit(const CliOptions& options, const std::string& action) {
    const std::vector<std::string>& args = options.keysArguments;
    const std::string path =
        options.keyStores.empty() ? nvr::userKeyStorePath() : options.keyStores.front();
    EditOptions edit;
    if (args.size() < 2 || !readEditOptions(args, 2, edit)) {
        if (args.size() < 2) {
            complain("keys " + action + " needs " + (action == "add" ? "a PEM file" : "a key id"));
        }
        return kUsage;
    }
    std::string text;
    try {
        text = nvr::readKeyStoreText(path);
        if (action == "add") {
            if (edit.label.empty() || !edit.at.empty() || !edit.reason.empty()) {
                complain("keys add takes --label L [--recorder S] [--from T] [--until T]");
                return kUsage;
            }
            std::ifstream in(args[1], std::ios::binary);
            std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in.good() && !in.eof()) {
                complain(args[1] + ": cannot be read");
                return kUsage;
            }
            text = nvr::withKeyAdded(
                text, path, nvr::NewKey{pem, edit.label, edit.recorders, edit.from, edit.until},
                nowText());
        } else if (action == "retire") {
            if (!edit.label.empty() || !edit.reason.empty() || !edit.from.empty() ||
                !edit.until.empty() || !edit.recorders.empty()) {
                complain("keys retire takes [--at T]");
                return kUsage;
            }
            text = nvr::withKeyRetired(text, path, args[1], edit.at);
        } else {
            if (edit.at.empty() || edit.reason.empty() || !edit.label.empty() ||
                !edit.from.empty() || !edit.until.empty() || !edit.recorders.empty()) {
                complain("keys revoke takes --at T --reason R");
                return kUsage;
            }
            text = nvr::withKeyRevoked(text, path, args[1], edit.at, edit.reason);
        }
    } catch (const nvr::KeyStoreError& error) {
        complain(error.what());
        return kUsage;
    }
    try {
        nvr::writeKeyStoreText(path, text);
    } catch (const nvr::KeyStoreError& error) {
        complain(error.what());
        return kStoreNotWritten;
    }
    const nvr::KeyStore written = nvr::KeyStore::load({path});
    std::cout << "Key store " << displayText(path) << " written, SHA-256 " << written.sha256()
              << '\n';
    return 0;
}

}  // namespace

bool chooseKeys(const CliOptions& options) {
    nvr::KeysInUse keys;
    if (!options.validationTime.empty()) {
        keys.validationTime = nvr::validationTimeOf(options.validationTime);
        if (!keys.validationTime) {
            complain("--validation-time needs a UTC time YYYY-MM-DDThh:mm:ssZ");
            return false;
        }
        const std::string& t = options.validationTime;
        keys.validationTimeText =
            t.size() == 20 ? t : t.substr(0, 10) + "T" + t.substr(11, 8) + "Z";
    }
    const std::vector<std::string> paths =
        options.keyStores.empty() ? nvr::defaultKeyStores() : options.keyStores;
    if (!paths.empty()) {
        try {
            keys.store = std::make_shared<const nvr::KeyStore>(nvr::KeyStore::load(paths));
        } catch (const nvr::KeyStoreError& error) {
            complain(std::string(error.what()) + " (nothing was verified)");
            return false;
        }
    }
    nvr::setKeysInUse(std::move(keys));
    return true;
}

int keysCommand(const CliOptions& options) {
    const std::vector<std::string>& args = options.keysArguments;
    const std::string action = args.empty() ? std::string() : args.front();
    if (action == "add" || action == "retire" || action == "revoke") {
        return edit(options, action);
    }
    if (action != "list" && action != "show") {
        complain("keys needs list, show, add, retire or revoke");
        return kUsage;
    }
    if ((action == "list" && args.size() != 1) || (action == "show" && args.size() != 2)) {
        complain(action == "list" ? "keys list takes nothing more" : "keys show takes one id");
        return kUsage;
    }
    try {
        const std::vector<std::string> paths =
            options.keyStores.empty() ? nvr::defaultKeyStores() : options.keyStores;
        const nvr::KeyStore store = nvr::KeyStore::load(paths);
        if (action == "list") {
            listKeys(store);
            return 0;
        }
        const nvr::TrustedKey* const key = store.find(args[1]);
        if (key == nullptr) {
            complain("no key " + args[1] + " in " + store.description());
            return 1;
        }
        showKey(*key);
        return 0;
    } catch (const nvr::KeyStoreError& error) {
        complain(error.what());
        return kUsage;
    }
}
