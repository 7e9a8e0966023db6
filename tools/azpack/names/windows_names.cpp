#include "names/windows_names.h"

#include <cstring>
#include <unordered_map>

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

// The device name that a component stands for, or "" when none. Windows
// looks at the part before the first dot, with trailing blanks dropped.
std::string deviceName(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::string upper;
    for (char c : base)
        upper.push_back(foldAscii(c));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (upper == device)
            return upper;
    }
    if (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0)) {
        unsigned char last = static_cast<unsigned char>(upper[3]);
        // Digits and the superscripts one, two and three.
        if ((last >= '0' && last <= '9') || last == 0xB9 || last == 0xB2 || last == 0xB3)
            return upper;
    }
    return "";
}

std::string componentProblem(const std::string& component) {
    if (component.empty())
        return "has an empty folder name";
    if (component == "." || component == "..")
        return "has a '" + component + "' component";
    for (char c : component) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x20)
            return "holds a control character";
        if (c == ':')
            return "holds a colon (drive or stream name)";
        if (c != '\0' && std::strchr("<>\"/|?*", c) != nullptr)
            return std::string("holds the reserved character '") + c + "'";
    }
    std::string device = deviceName(component);
    if (!device.empty())
        return "uses the device name " + cp1252ToUtf8(device);
    char last = component.back();
    if (last == '.' || last == ' ')
        return std::string("has a folder or file name ending with a ") +
               (last == '.' ? "dot" : "blank");
    return "";
}

}  // namespace

std::string entryNameProblem(const std::string& name) {
    if (name.empty())
        return "is empty";
    if (name.size() > static_cast<size_t>(payload::kMaxNameLength))
        return "is " + std::to_string(name.size()) + " bytes long, more than " +
               std::to_string(payload::kMaxNameLength);
    if (name[0] == '\\')
        return "is an absolute path";
    size_t start = 0;
    while (true) {
        size_t end = name.find('\\', start);
        std::string component =
            name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string problem = componentProblem(component);
        if (!problem.empty())
            return problem;
        if (end == std::string::npos)
            return "";
        start = end + 1;
    }
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
