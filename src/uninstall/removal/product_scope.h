// The product a profile belongs to, as the machine's administrators
// registered it: the profile is honoured only when an Uninstall entry under
// HKEY_LOCAL_MACHINE (which only administrators write) names the profile's
// folder as InstallLocation and its commands run this uninstaller on this
// profile. The profile itself lies in that folder, which ordinary users may
// be able to write, so each of its lines must then stay within the product:
// files and folders inside the install folder, compared by the paths the
// file system gives (8.3 names, drive aliases and links resolved) and with
// no link or junction on the way; shortcuts directly in a shortcut folder
// that point into the install folder; only the product's own Uninstall keys.
#ifndef AZ_UNINSTALL_PRODUCT_SCOPE_H
#define AZ_UNINSTALL_PRODUCT_SCOPE_H

#include <cstdint>

#include "base/text_buffer.h"
#include "uninstall/rules/machine_facts.h"
#include "uninstall/rules/path_list.h"
#include "uninstall/rules/profile_reader.h"

class ProductScope {
  public:
    explicit ProductScope(const MachineFacts& facts);
    ~ProductScope();
    ProductScope(const ProductScope&) = delete;
    ProductScope& operator=(const ProductScope&) = delete;

    // 1 when an entry of this uninstaller names the folder of `profilePath`
    // (an existing profile file, no link) and that folder is admissible.
    int32_t findEntries(const char* profilePath);

    // Copies into `out` the lines of `profile` that stay within the product
    // and counts the others in `refused`. 1, or 0 when memory ran out.
    int32_t keepOwnLines(const UninstallProfile& profile, UninstallProfile& out, int32_t& refused);

    // 1 when `finalPath`, the path of an opened file, lies inside the install
    // folder or is a shortcut directly in a shortcut folder: checked again
    // on the handle that deletes it, so that nothing swapped in since the
    // lines were judged leads elsewhere.
    int32_t ownsFinalPath(const char* finalPath) const;
    // 1 when `finalPath`, the path of an opened folder, is the install
    // folder or lies inside it.
    int32_t ownsFinalFolder(const char* finalPath) const;

  private:
    void readEntries(uint32_t view, const char* selfPath, const char* profilePath);
    int32_t entryMatches(uint32_t view, const char* key, const char* selfPath,
                         const char* profilePath);
    int32_t reachesInstallFolder(const char* folder);
    int32_t ownsFile(const char* path);
    int32_t ownsFolder(const char* path);
    int32_t ownsShortcut(const char* path);
    int32_t ownsKey(const char* key);
    int32_t ownsFileOrShortcut(const char* path);
    typedef int32_t (ProductScope::*Owns)(const char*);
    int32_t keepOwned(const PathList& lines, Owns owns, PathList& out, int32_t& refused);
    void readShortcutFolders();

    const MachineFacts& facts_;
    TextBuffer installFolder_;  // final path
    PathList ownKeys_;          // entry names that match, in either view
    PathList otherKeys_;        // entry names that do not, in either view
    PathList shortcutFolders_;  // final paths
    TextBuffer checkedFolder_;  // the folder last judged, and its verdict
    int32_t checkedVerdict_;
    int32_t comReady_;
};

#endif
