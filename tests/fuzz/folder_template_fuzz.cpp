// libFuzzer target: folder template expansion, folder path creation and the
// shortcut name check, with the machine answered by a stand-in the input
// drives (which lookups succeed, what they give, how long it is).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "system/folders/folder_path.h"
#include "system/folders/folder_template.h"
#include "system/shell/link_name.h"

namespace {

void fail(const char* what) {
    fprintf(stderr, "folder_template_fuzz: %s\n", what);
    abort();
}

void check(bool holds, const char* what) {
    if (!holds)
        fail(what);
}

// Past the 1024-byte room the system calls are given, so longer answers
// than the real ones are tried too.
std::string answerText(FuzzedDataProvider& input) {
    std::string value = input.ConsumeRandomLengthString(64);
    if (input.ConsumeBool()) {
        size_t length = input.ConsumeIntegralInRange<size_t>(1000, 1100);
        char fill = value.empty() ? 'x' : value[0];
        if (fill == '\0')
            fill = 'y';
        value.resize(length, fill);
    }
    if (input.ConsumeBool())
        value += '\\';
    return value;
}

struct Answer {
    bool present;
    std::string value;  // up to its first zero byte, as a system call would
};

class StandIn : public FolderLookups {
  public:
    enum { kUser, kTemp, kWindows, kProgramFiles, kShell, kDesktop, kCount };
    Answer answers[kCount];
    std::vector<std::string> created;

    explicit StandIn(FuzzedDataProvider& input) {
        for (Answer& answer : answers) {
            answer.present = input.ConsumeBool();
            answer.value = answer.present ? answerText(input) : std::string();
            answer.value = answer.value.c_str();
        }
    }

    bool readUserValue(const char* keyPath, const char* valueName, TextBuffer& out) override {
        check(keyPath != nullptr && valueName != nullptr, "null registry name");
        return give(kUser, out);
    }
    bool readTempFolder(TextBuffer& out) override { return give(kTemp, out); }
    bool readWindowsFolder(TextBuffer& out) override { return give(kWindows, out); }
    bool readProgramFilesFolder(TextBuffer& out) override { return give(kProgramFiles, out); }
    bool readShellFolder(const char* valueName, TextBuffer& out) override {
        check(valueName != nullptr, "null shell folder name");
        return give(strcmp(valueName, "Desktop") == 0 ? kDesktop : kShell, out);
    }
    void createFolder(const char* path) override {
        check(path != nullptr, "null folder created");
        created.push_back(path);
    }

    size_t longestAnswer() const {
        size_t longest = 0;
        for (const Answer& answer : answers)
            longest = answer.value.size() > longest ? answer.value.size() : longest;
        return longest;
    }

  private:
    bool give(int which, TextBuffer& out) {
        out.clear();
        if (!answers[which].present)
            return false;
        out.append(answers[which].value.c_str());
        return true;
    }
};

// Zero-terminated inside its block; returns the text.
std::string sound(const TextBuffer& buffer, const char* what) {
    check(buffer.text != nullptr && buffer.capacity > 0, what);
    check(memchr(buffer.text, '\0', static_cast<size_t>(buffer.capacity)) != nullptr, what);
    return buffer.text;
}

void checkExpansion(FuzzedDataProvider& input, std::string& expanded) {
    StandIn lookups(input);
    std::string folderTemplate = input.ConsumeRandomLengthString(2048);
    bool nullTemplate = input.ConsumeProbability<float>() < 0.02f;
    bool nullLeaf = input.ConsumeProbability<float>() < 0.05f;
    std::string leaf = input.ConsumeRandomLengthString(1100);

    ExpandedFolder result =
        expandFolderWith(lookups, nullTemplate ? nullptr : folderTemplate.c_str(),
                         nullLeaf ? nullptr : leaf.c_str());
    std::string path = sound(result.path, "path not terminated");
    std::string tail = sound(result.tail, "tail not terminated");

    std::string given = nullTemplate ? std::string() : std::string(folderTemplate.c_str());
    std::string givenLeaf = nullLeaf ? std::string() : std::string(leaf.c_str());
    // Nothing is made up: the result is built from the template, the leaf
    // and one answer.
    check(path.size() <=
              given.size() + givenLeaf.size() + 1 + lookups.longestAnswer() + strlen("%desktop%"),
          "path longer than its parts");
    check(path.size() >= tail.size() &&
              path.compare(path.size() - tail.size(), tail.size(), tail) == 0,
          "path does not end with the tail");
    if (!given.empty() && given.find('%') == std::string::npos &&
        given.find('$') == std::string::npos)
        check(path == given, "plain folder changed");

    // Only the temporary folder is made, as the system gave it less one
    // trailing backslash.
    check(lookups.created.size() <= 1, "more than one folder created");
    if (!lookups.created.empty()) {
        const Answer& temp = lookups.answers[StandIn::kTemp];
        std::string expected = temp.value;
        if (!expected.empty() && expected.back() == '\\')
            expected.pop_back();
        check(temp.present && lookups.created[0] == expected, "unexpected folder created");
    }
    expanded = path;
}

// Windows reads a run of backslashes after the leading two as one.
std::string collapsed(const std::string& path) {
    std::string result = path.substr(0, 2);
    for (size_t i = 2; i < path.size(); ++i) {
        if (path[i] != '\\' || result.back() != '\\')
            result += path[i];
    }
    return result;
}

void checkFolderPath(FuzzedDataProvider& input, const std::string& expanded) {
    std::string path = input.ConsumeBool() ? expanded : input.ConsumeRandomLengthString(2048);
    path = path.c_str();

    class Recorder : public FolderLookups {
      public:
        std::vector<std::string> created;
        bool readUserValue(const char*, const char*, TextBuffer& out) override { return none(out); }
        bool readTempFolder(TextBuffer& out) override { return none(out); }
        bool readWindowsFolder(TextBuffer& out) override { return none(out); }
        bool readProgramFilesFolder(TextBuffer& out) override { return none(out); }
        bool readShellFolder(const char*, TextBuffer& out) override { return none(out); }
        void createFolder(const char* folder) override {
            check(folder != nullptr, "null folder created");
            created.push_back(folder);
        }

      private:
        static bool none(TextBuffer& out) {
            out.clear();
            return false;
        }
    };

    FolderPathMaker maker;
    Recorder recorder;
    maker.create(recorder, path.c_str());
    if (getenv("FOLDER_FUZZ_SHOW")) {
        fprintf(stderr, "path [%s]\n", path.c_str());
        for (const std::string& folder : recorder.created)
            fprintf(stderr, "created [%s]\n", folder.c_str());
    }
    std::string asked = collapsed(path);
    size_t previous = 0;
    for (const std::string& raw : recorder.created) {
        // A level of the path asked for, deeper than the one before, ending
        // where a component ends.
        std::string folder = collapsed(raw);
        check(!raw.empty() && raw.size() > previous, "created folders do not go deeper");
        check(folder.size() <= asked.size() && asked.compare(0, folder.size(), folder) == 0,
              "created folder is not a prefix of the path");
        check(
            folder.size() == asked.size() || asked[folder.size()] == '\\' || folder.back() == '\\',
            "created folder cuts a component");
        previous = raw.size();
    }

    // The same path again, in another case, is skipped.
    std::string again = path;
    for (char& c : again) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    Recorder second;
    maker.create(second, again.c_str());
    check(second.created.empty(), "same path created again");
}

// Windows' reading of "Links\<name>": both separators, trailing dots and
// blanks trimmed from each component, "." staying, ".." climbing.
bool staysInside(const std::string& name) {
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '\\' && name[i] != '/')
            continue;
        std::string component = name.substr(start, i - start);
        start = i + 1;
        size_t dots = 0;
        bool dotsAndBlanksOnly = true;
        for (char c : component) {
            dots += c == '.';
            dotsAndBlanksOnly = dotsAndBlanksOnly && (c == '.' || c == ' ');
        }
        if (!dotsAndBlanksOnly)
            ++depth;
        else if (dots >= 2 && --depth < 0)
            return false;
    }
    return true;
}

void checkLinkName(FuzzedDataProvider& input, const std::string& expanded) {
    std::string name = input.ConsumeBool() ? expanded : input.ConsumeRemainingBytesAsString();
    name = name.c_str();
    if (!isPlainLinkName(name.c_str()))
        return;
    check(name.find(':') == std::string::npos, "plain name holds a colon");
    check(name.empty() || (name[0] != '\\' && name[0] != '/'), "plain name starts at the root");
    for (char c : name)
        check(static_cast<unsigned char>(c) >= 0x20, "plain name holds a control character");
    check(staysInside(name), "plain name leaves its folder");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::string expanded;
    checkExpansion(input, expanded);
    checkFolderPath(input, expanded);
    checkLinkName(input, expanded);
    check(!isPlainLinkName(nullptr), "null name taken as plain");
    return 0;
}
