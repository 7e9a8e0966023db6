#include "win_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace testing_support {

namespace {

void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path + "\\");
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string ownFolder() {
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string freshFolder(const std::string& name) {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + name + "\\";
    removeTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool isFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string readFile(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, count);
    fclose(file);
    return bytes;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

void setValue(HKEY hive, const std::string& key, const char* valueName, DWORD type,
              const std::string& data) {
    HKEY opened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(hive, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                             &opened, nullptr))
        << key;
    LONG result =
        RegSetValueExA(opened, valueName, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
    RegCloseKey(opened);
    ASSERT_EQ(ERROR_SUCCESS, result) << key << " " << (valueName ? valueName : "(default)");
}

void setText(HKEY hive, const std::string& key, const char* valueName, const std::string& text) {
    setValue(hive, key, valueName, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void deleteValue(HKEY hive, const std::string& key, const char* valueName) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_WRITE, &opened) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(opened, valueName);
    RegCloseKey(opened);
}

std::string readText(HKEY hive, const std::string& key, const char* valueName) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return "";
    std::vector<char> data(4096, '\0');
    DWORD size = static_cast<DWORD>(data.size() - 1);
    LONG result = RegQueryValueExA(opened, valueName, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS ? std::string(data.data()) : "";
}

}  // namespace testing_support
