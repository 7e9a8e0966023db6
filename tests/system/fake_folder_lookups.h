// FolderLookups answered from tables, recording what was asked.
#ifndef AZ_TESTS_SYSTEM_FAKE_FOLDER_LOOKUPS_H
#define AZ_TESTS_SYSTEM_FAKE_FOLDER_LOOKUPS_H

#include <map>
#include <string>
#include <vector>

#include "base/matching.h"
#include "system/folders/folder_lookups.h"

class FakeLookups : public FolderLookups {
  public:
    // Missing entries are missing values; names compare ignoring case, as
    // the registry's do.
    std::map<std::string, std::string> userValues;  // "key path|value name"
    std::map<std::string, std::string> shellFolders;
    std::map<std::string, std::string> systemFolders;  // "temp", "windows", "programfiles"

    std::vector<std::string> created;
    std::vector<std::string> userValuesAsked;

    FakeLookups() {
        shellFolders["DESKTOP"] = "C:\\Users\\me\\Desktop";
        shellFolders["FAVORITES"] = "C:\\Users\\me\\Favorites";
        systemFolders["temp"] = "C:\\Temp\\";
        systemFolders["windows"] = "C:\\WINDOWS";
        systemFolders["programfiles"] = "C:\\Program Files";
    }

    bool readUserValue(const char* keyPath, const char* valueName, TextBuffer& out) override {
        std::string key = fold(keyPath) + "|" + fold(valueName);
        userValuesAsked.push_back(std::string(keyPath) + "|" + valueName);
        return answer(userValues, key, out);
    }
    bool readTempFolder(TextBuffer& out) override { return answer(systemFolders, "temp", out); }
    bool readWindowsFolder(TextBuffer& out) override {
        return answer(systemFolders, "windows", out);
    }
    bool readProgramFilesFolder(TextBuffer& out) override {
        return answer(systemFolders, "programfiles", out);
    }
    bool readShellFolder(const char* valueName, TextBuffer& out) override {
        return answer(shellFolders, fold(valueName), out);
    }
    void createFolder(const char* path) override { created.push_back(path); }

    void setUserValue(const std::string& keyPath, const std::string& valueName,
                      const std::string& value) {
        userValues[fold(keyPath.c_str()) + "|" + fold(valueName.c_str())] = value;
    }

  private:
    static std::string fold(const char* text) {
        std::string folded;
        for (const char* c = text; *c; ++c)
            folded += foldCase(*c);
        return folded;
    }
    static bool answer(const std::map<std::string, std::string>& table, const std::string& key,
                       TextBuffer& out) {
        out.clear();
        auto found = table.find(key);
        if (found == table.end())
            return false;
        out.append(found->second.c_str());
        return true;
    }
};

#endif
