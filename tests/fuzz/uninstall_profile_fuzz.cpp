// libFuzzer target: any bytes as an uninstall profile go through reading,
// the safety rules, the folder order and the rewritten profile, and as a
// command line; every path admitted must pass the rules again on its own.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/text_buffer.h"
#include "uninstall/program/command_line.h"
#include "uninstall/rules/path_rules.h"
#include "uninstall/rules/profile_reader.h"
#include "uninstall/rules/removal_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MachineFacts facts;
    facts.windowsFolder = "C:\\windows\\";
    facts.programFiles = "C:\\Program Files";
    facts.programFilesOther = "C:\\Program Files (x86)";
    facts.desktop = "C:\\users\\u\\Desktop";
    facts.favorites = "C:\\users\\u\\Favorites";
    facts.startMenu = "C:\\users\\u\\Start Menu";
    facts.programs = "C:\\users\\u\\Start Menu\\Programs";
    facts.userProfile = "C:\\users\\u";
    facts.appData = "C:\\users\\u\\AppData\\Roaming";
    facts.tempFolder = "C:\\users\\u\\Temp\\";
    const char* bytes = reinterpret_cast<const char*>(data);
    UninstallProfile profile;
    if (readUninstallProfile(bytes, static_cast<uint32_t>(size), profile)) {
        RemovalPlan plan;
        if (planRemoval(profile, facts, plan)) {
            for (int32_t i = 0; i < plan.files.count(); ++i) {
                if (!isRemovableFile(plan.files.at(i), plan.folders, facts) ||
                    std::strlen(plan.files.at(i)) > size_t(kMaxRulePath))
                    std::abort();
            }
            for (int32_t i = 0; i < plan.folders.count(); ++i) {
                if (!isAdmissibleFolder(plan.folders.at(i), facts))
                    std::abort();
            }
            for (int32_t i = 0; i < plan.keys.count(); ++i) {
                if (!isRemovableKey(plan.keys.at(i)))
                    std::abort();
            }
            PathList folders;
            foldersToRemove(plan.files, plan.folders, folders);
            for (int32_t i = 0; i < folders.count(); ++i) {
                if (!isAdmissibleFolder(folders.at(i), facts) && !isPlainFullPath(folders.at(i)))
                    std::abort();
            }
            ByteBuffer remaining(0, 4096);
            writeRemainingProfile(plan.files, plan.keys, plan.folders, remaining);
        }
    }
    TextBuffer line(0);
    line.appendBytes(bytes, static_cast<int32_t>(size > 4096 ? 4096 : size));
    TextBuffer path(260);
    int32_t silent = 0;
    readUninstallCommandLine(line.text, &silent, path);
    return 0;
}
