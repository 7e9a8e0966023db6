#include "write/source_tree.h"

#include <algorithm>
#include <system_error>

#include "io/file_io.h"
#include "names/code_page.h"

namespace azpack {

namespace fs = std::filesystem;

namespace {

bool isInside(const fs::path& candidate, const fs::path& root) {
    auto rootPart = root.begin();
    auto part = candidate.begin();
    for (; rootPart != root.end(); ++rootPart, ++part) {
        if (rootPart->empty())
            continue;  // the trailing empty element of "dir/"
        if (part == candidate.end() || *part != *rootPart)
            return false;
    }
    return true;
}

std::string reasonOf(const std::error_code& code) {
    return code.message();
}

class TreeScanner {
  public:
    TreeScanner(const fs::path& root, const fs::path& canonicalRoot, std::vector<SourceFile>* files,
                std::vector<std::string>* emptyFolders)
        : root_(root), canonicalRoot_(canonicalRoot), files_(files), emptyFolders_(emptyFolders) {}

    bool scanFolder(const fs::path& folder, const std::string& prefix, std::string* error) {
        std::error_code code;
        fs::directory_iterator it(folder, code);
        if (code) {
            *error = displayPath(folder) + ": cannot read folder: " + reasonOf(code);
            return false;
        }
        std::vector<fs::directory_entry> entries;
        for (fs::directory_iterator end; it != end; it.increment(code)) {
            entries.push_back(*it);
        }
        if (code) {
            *error = displayPath(folder) + ": cannot read folder: " + reasonOf(code);
            return false;
        }
        if (entries.empty() && !prefix.empty() && emptyFolders_ != nullptr)
            emptyFolders_->push_back(prefix);
        for (const fs::directory_entry& entry : entries) {
            if (!addEntry(entry.path(), prefix, error))
                return false;
        }
        return true;
    }

  private:
    bool entryName(const fs::path& path, const std::string& prefix, std::string* name,
                   std::string* error) {
        std::string leaf = path.filename().u8string();
        std::string encoded;
        std::string reason;
        if (!utf8ToCp1252(leaf, &encoded, &reason)) {
            *error = displayPath(path) + ": name " + reason;
            return false;
        }
        if (encoded.find('\\') != std::string::npos) {
            *error = displayPath(path) +
                     ": name holds a backslash, which Windows reads as a "
                     "folder separator";
            return false;
        }
        *name = prefix.empty() ? encoded : prefix + "\\" + encoded;
        return true;
    }

    bool addEntry(const fs::path& path, const std::string& prefix, std::string* error) {
        std::error_code code;
        fs::file_status own = fs::symlink_status(path, code);
        if (code) {
            *error = displayPath(path) + ": " + reasonOf(code);
            return false;
        }
        std::string name;
        if (!entryName(path, prefix, &name, error))
            return false;
        if (fs::is_directory(own))
            return scanFolder(path, name, error);

        SourceFile file;
        file.name = name;
        file.found = path;
        file.contents = path;
        if (fs::is_symlink(own)) {
            fs::path target = fs::canonical(path, code);
            if (code) {
                *error = displayPath(path) + ": symbolic link leads nowhere: " + reasonOf(code);
                return false;
            }
            fs::file_status status = fs::status(target, code);
            if (code) {
                *error = displayPath(path) + ": " + reasonOf(code);
                return false;
            }
            if (fs::is_directory(status)) {
                *error = displayPath(path) + ": symbolic links to folders are not followed";
                return false;
            }
            if (!isInside(target, canonicalRoot_)) {
                *error = displayPath(path) + ": symbolic link leads outside " + displayPath(root_);
                return false;
            }
            own = status;
            file.contents = target;
            file.link = true;
        }
        if (!fs::is_regular_file(own)) {
            *error = displayPath(path) + ": not a plain file (pipe, socket or device)";
            return false;
        }
        file.readOnly = (own.permissions() & fs::perms::owner_write) == fs::perms::none;
        file.size = fs::file_size(file.contents, code);
        if (code) {
            *error = displayPath(path) + ": " + reasonOf(code);
            return false;
        }
        files_->push_back(std::move(file));
        return true;
    }

    fs::path root_;
    fs::path canonicalRoot_;
    std::vector<SourceFile>* files_;
    std::vector<std::string>* emptyFolders_;
};

}  // namespace

bool scanSourceTree(const fs::path& root, std::vector<SourceFile>* files, std::string* error,
                    std::vector<std::string>* emptyFolders) {
    files->clear();
    if (emptyFolders != nullptr)
        emptyFolders->clear();
    std::error_code code;
    fs::file_status status = fs::status(root, code);
    if (code || !fs::exists(status)) {
        *error = displayPath(root) + ": no such folder";
        return false;
    }
    if (!fs::is_directory(status)) {
        *error = displayPath(root) + ": not a folder";
        return false;
    }
    fs::path canonicalRoot = fs::canonical(root, code);
    if (code) {
        *error = displayPath(root) + ": " + reasonOf(code);
        return false;
    }
    TreeScanner scanner(root, canonicalRoot, files, emptyFolders);
    if (!scanner.scanFolder(root, "", error))
        return false;
    std::sort(files->begin(), files->end(),
              [](const SourceFile& a, const SourceFile& b) { return a.name < b.name; });
    if (emptyFolders != nullptr)
        std::sort(emptyFolders->begin(), emptyFolders->end());
    return true;
}

}  // namespace azpack
