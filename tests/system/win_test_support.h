// Small Windows helpers shared by the system tests: fresh folders, registry
// values, files.
#ifndef AZ_TESTS_SYSTEM_WIN_TEST_SUPPORT_H
#define AZ_TESTS_SYSTEM_WIN_TEST_SUPPORT_H

#include <windows.h>

#include <string>

namespace testing_support {

const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The folder this test program was started from, with a trailing backslash.
std::string ownFolder();
// An empty folder "<temp>\<name>\" (emptied when it held something).
std::string freshFolder(const std::string& name);

bool isFolder(const std::string& path);
bool isFile(const std::string& path);
std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);

// Values under `hive`: data given as bytes, type as stated.
void setValue(HKEY hive, const std::string& key, const char* valueName, DWORD type,
              const std::string& data);
void setText(HKEY hive, const std::string& key, const char* valueName, const std::string& text);
void deleteValue(HKEY hive, const std::string& key, const char* valueName);
std::string readText(HKEY hive, const std::string& key, const char* valueName);

}  // namespace testing_support

#endif
