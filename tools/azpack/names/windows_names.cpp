#include "names/windows_names.h"

#include <unordered_map>

#include "base/windows_names.h"
#include "names/code_page.h"
#include "payload/layout.h"

namespace azpack {

namespace {

std::string foldAll(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        c = foldCp1252(c);
    return out;
}

// The reason for the fault `kind` of `component`, in the builder's words.
std::string componentProblem(int32_t kind, const std::string& component) {
    char last = component.empty() ? '\0' : component.back();
    switch (kind) {
        case kNameEmpty:
            return "has an empty folder name";
        case kNameDots:
            if (component == "." || component == "..")
                return "has a '" + component + "' component";
            break;  // read by its last character, as Windows trims it
        case kNameCharacter:
            for (char c : component) {
                if (static_cast<unsigned char>(c) < 0x20)
                    return "holds a control character";
                if (c == ':')
                    return "holds a colon (drive or stream name)";
                if (isForbiddenNameCharacter(c))
                    return std::string("holds the reserved character '") + c + "'";
            }
            break;
        case kNameDevice: {
            const char* text = component.data();
            std::string device;
            for (int32_t i = 0; i < deviceNameLength(text, text + component.size()); ++i)
                device.push_back(foldAscii(text[i]));
            return "uses the device name " + cp1252ToUtf8(device);
        }
        default:
            break;
    }
    return std::string("has a folder or file name ending with a ") +
           (last == '.' ? "dot" : "blank");
}

}  // namespace

std::string entryNameProblem(const std::string& name) {
    if (name.empty())
        return "is empty";
    if (name.size() > static_cast<size_t>(payload::kMaxNameLength))
        return "is " + std::to_string(name.size()) + " bytes long, more than " +
               std::to_string(payload::kMaxNameLength);
    NameFault fault = findNameFault(name.data(), static_cast<int32_t>(name.size()), 0);
    if (fault.kind == kNameFine)
        return "";
    if (fault.kind == kNameRooted)
        return "is an absolute path";
    return componentProblem(fault.kind, name.substr(fault.begin, fault.length));
}

std::string shortcutNameProblem(const std::string& name) {
    NameFault fault = findNameFault(name.data(), static_cast<int32_t>(name.size()),
                                    kSlashSeparates | kSuffixFollows);
    if (fault.kind == kNameFine)
        return "";
    if (fault.kind == kNameRooted)
        return "is an absolute path";
    return componentProblem(fault.kind, name.substr(fault.begin, fault.length));
}

std::string findCaseClash(const std::vector<std::string>& names) {
    std::unordered_map<std::string, size_t> files;
    std::unordered_map<std::string, std::string> folders;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        auto inserted = files.emplace(foldAll(name), i);
        if (!inserted.second) {
            return quoteName(names[inserted.first->second]) + " and " + quoteName(name) +
                   " differ only in case: Windows would store them as one file";
        }
        for (size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1)) {
            std::string folder = name.substr(0, at);
            folders.emplace(foldAll(folder), folder);
        }
    }
    for (const std::string& name : names) {
        auto folder = folders.find(foldAll(name));
        if (folder != folders.end()) {
            return "file " + quoteName(name) + " and folder " + quoteName(folder->second) +
                   " would have the same name on Windows";
        }
    }
    return "";
}

std::string quoteName(const std::string& cp1252Name) {
    return "'" + cp1252ToUtf8(cp1252Name) + "'";
}

}  // namespace azpack
