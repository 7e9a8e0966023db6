#include <cstdio>
#include <thread>
#include <utility>

#include "commands/command_line.h"
#include "commands/commands.h"
#include "commands/installer_face.h"
#include "compress/libdeflate_blocks.h"
#include "io/file_io.h"
#include "io/running_program.h"
#include "stubs/stub_location.h"
#include "write/payload_builder.h"
#include "write/signing.h"

namespace azpack {

namespace {

const char kHelp[] =
    "Usage: azpack build SOURCE_DIR -o OUT [OPTIONS]\n"
    "\n"
    "Makes a payload of the files under SOURCE_DIR: entry names are their paths\n"
    "relative to SOURCE_DIR with backslashes, in Windows-1252. OUT is a ready\n"
    "installer: the installer stub of the target (installed with azpack, or\n"
    "named with --stub) with the payload as its resource. OUT is replaced only\n"
    "when the build succeeds.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT            file to write\n"
    "      --project FILE          header settings as 'key = value' lines; the\n"
    "                              options below override it\n"
    "      --main-program NAME     entry name of the main program\n"
    "      --install-folder TEXT   install folder (may hold $registry$ and %macros%)\n"
    "      --product-name TEXT     product name (uninstall key, Desktop shortcut)\n"
    "      --favorites-name TEXT   name of the Favorites shortcut\n"
    "      --icon-file NAME        entry name of the shortcuts' icon\n"
    "      --start-menu-name TEXT  name of the Start Menu shortcut\n"
    "      --language CODE         language tag (default fr)\n"
    "      --setup-icon FILE.ico   the installer file's icon\n"
    "      --product-version N.N.N.N  the installer's file and product version\n"
    "      --company TEXT          CompanyName of the installer's version resource\n"
    "      --description TEXT      FileDescription of the installer's version resource\n"
    "      --copyright TEXT        LegalCopyright of the installer's version resource\n"
    "  -j, --jobs N                compression threads (default: all cores)\n"
    "      --level N               0 (stored) to 9, or to 12 where azpack was\n"
    "                              built with libdeflate, which then makes\n"
    "                              levels 1-12 (default 9)\n"
    "      --target TARGET         i686 (default) or x86_64: which stub to use\n"
    "      --stub STUB.exe         use STUB.exe instead of the target's stub\n"
    "      --payload-only          write the bare payload, no installer\n"
    "      --lenient               only warn about a missing main program or an\n"
    "                              install folder that is never a full path\n"
    "      --strict                every warning fails the build (exit 1, nothing\n"
    "                              written); also 'strict = true' in the project\n"
    "      --sign-command CMD      sign the uninstaller before it is stored and the\n"
    "                              installer: CMD with {in} and {out} replaced by\n"
    "                              the file to sign and the signed file to write\n"
    "      --uninstaller FILE      store FILE as the entry TAVUUNINSTALL.EXE\n"
    "      --no-uninstaller        store no uninstaller (with the target's stub its\n"
    "                              uninstaller goes in when installed beside it)\n"
    "  -h, --help                  show this help\n"
    "\n"
    "Exit status: 0 success, 1 a problem with the input, 2 a usage error.\n";

// "true" or "false" from the project file's strict key; empty is false.
bool readStrictSetting(const Setting& setting, bool* strict, std::string* error) {
    if (setting.value.empty() || setting.value == "false")
        return true;
    if (setting.value == "true") {
        *strict = true;
        return true;
    }
    *error = setting.origin + ": strict wants true or false, not '" + setting.value + "'";
    return false;
}

int defaultJobs() {
    unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores > 256 ? 256 : cores);
}

}  // namespace

int runBuild(const std::vector<std::string>& arguments) {
    OptionReader reader("build", arguments);
    std::vector<std::string> operands;
    std::string output;
    std::string project;
    std::string stub;
    std::string jobs;
    std::string level;
    std::string target;
    bool payloadOnly = false;
    bool lenient = false;
    bool strict = false;
    std::string uninstaller;
    std::string signCommand;
    bool noUninstaller = false;
    std::vector<std::pair<std::string, std::string>> overrides;
    while (!reader.atEnd() && !reader.failed()) {
        if (reader.takeFlag("--help", "-h")) {
            std::fputs(kHelp, stdout);
            return kExitSuccess;
        }
        if (reader.takeFlag("--payload-only", nullptr)) {
            payloadOnly = true;
            continue;
        }
        if (reader.takeValue("--output", "-o", &output) ||
            reader.takeValue("--target", nullptr, &target) ||
            reader.takeValue("--project", nullptr, &project) ||
            reader.takeValue("--stub", nullptr, &stub) || reader.takeValue("--jobs", "-j", &jobs) ||
            reader.takeValue("--level", nullptr, &level) ||
            reader.takeValue("--uninstaller", nullptr, &uninstaller) ||
            reader.takeValue("--sign-command", nullptr, &signCommand))
            continue;
        if (reader.takeFlag("--lenient", nullptr)) {
            lenient = true;
            continue;
        }
        if (reader.takeFlag("--strict", nullptr)) {
            strict = true;
            continue;
        }
        if (reader.takeFlag("--no-uninstaller", nullptr)) {
            noUninstaller = true;
            continue;
        }
        bool matched = false;
        for (const std::string& key : textSettingKeys()) {
            std::string value;
            if (reader.takeValue(("--" + key).c_str(), nullptr, &value)) {
                overrides.emplace_back(key, value);
                matched = true;
                break;
            }
        }
        if (!matched)
            reader.takeOperand(&operands);
    }
    BuildRequest request;
    request.jobs = defaultJobs();
    request.lenient = lenient;
    if (!reader.failed() && operands.size() != 1)
        reader.setError(operands.empty()
                            ? "SOURCE_DIR missing"
                            : "more than one SOURCE_DIR ('" + operands[1] +
                                  "'); the output goes after -o, as in -o " + operands[1]);
    if (!reader.failed() && output.empty())
        reader.setError("-o OUT missing");
    if (!reader.failed() && !jobs.empty() && !parseNumber(jobs, 1, 1024, &request.jobs))
        reader.setError("--jobs wants a number from 1 to 1024");
    const int strongest = libdeflateAvailable() ? kStrongestLevel : kStrongestZlibLevel;
    if (!reader.failed() && !level.empty() && !parseNumber(level, 0, strongest, &request.level))
        reader.setError("--level wants a number from 0 to " + std::to_string(strongest) +
                        (libdeflateAvailable() ? " (1-12 libdeflate)" : ""));
    if (!reader.failed() && !target.empty() && target != "i686" && target != "x86_64")
        reader.setError("--target wants i686 or x86_64");
    if (!reader.failed() && payloadOnly && (!stub.empty() || !target.empty()))
        reader.setError("--payload-only writes no installer: drop --stub and --target");
    if (!reader.failed() && noUninstaller && !uninstaller.empty())
        reader.setError("--uninstaller and --no-uninstaller exclude each other");
    if (!reader.failed() && !signCommand.empty() && payloadOnly)
        reader.setError("--payload-only writes no installer to sign: drop --sign-command");
    if (!reader.failed() && !signCommand.empty() && !signCommandProblem(signCommand).empty())
        reader.setError(signCommandProblem(signCommand));
    if (reader.failed())
        return reader.reportUsage();

    request.source = std::filesystem::u8path(operands[0]);
    request.output = std::filesystem::u8path(output);
    if (!stub.empty())
        request.stub = std::filesystem::u8path(stub);
    if (!uninstaller.empty())
        request.uninstaller = std::filesystem::u8path(uninstaller);
    request.showProgress = standardErrorIsTerminal();
    std::string error;
    if (!payloadOnly && stub.empty()) {
        StubPair pair;
        if (!findStubPair(runningProgram(), target.empty() ? "i686" : target, &pair, &error)) {
            reportError(error);
            return kExitInputProblem;
        }
        request.stub = pair.stub;
        // The target's own uninstaller goes with its stub, when it was built.
        std::error_code missing;
        if (uninstaller.empty() && !noUninstaller &&
            std::filesystem::is_regular_file(pair.uninstaller, missing))
            request.uninstaller = pair.uninstaller;
    }
    if (!project.empty() &&
        !readProjectFile(std::filesystem::u8path(project), &request.settings, &error)) {
        reportError(error);
        return kExitInputProblem;
    }
    if (!readStrictSetting(request.settings.strict, &strict, &error)) {
        reportError(error);
        return kExitInputProblem;
    }
    request.strict = strict;
    for (const auto& setting : overrides) {
        Setting* target = request.settings.find(setting.first);
        target->value = setting.second;
        target->origin = "--" + setting.first;
    }
    // Entry names may be written with "/" as on the build machine.
    for (Setting* entry : {&request.settings.mainProgram, &request.settings.iconFile}) {
        for (char& c : entry->value) {
            if (c == '/')
                c = '\\';
        }
    }

    if (!installerFace(request.settings, std::filesystem::u8path(project), &request.face, &error)) {
        reportError(error);
        return kExitInputProblem;
    }
    if (request.stub.empty() && (request.face.hasIcon || request.face.hasVersion)) {
        reportError(
            "--payload-only writes no installer, so it takes no --setup-icon, "
            "--product-version, --company, --description or --copyright");
        return kExitUsage;
    }

    std::error_code code;
    if (std::filesystem::is_directory(request.output, code)) {
        reportError(output + ": is a folder");
        return kExitInputProblem;
    }
    std::filesystem::path folder = request.output.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, code)) {
        reportError(output + ": folder " + displayPath(folder) + " does not exist");
        return kExitInputProblem;
    }

    // The uninstaller goes in signed; the installer is signed when complete.
    TemporaryFile signedUninstaller;
    request.signCommand = signCommand;
    if (!signCommand.empty() && !request.uninstaller.empty()) {
        if (!signFile(signCommand, request.uninstaller, request.output, &signedUninstaller,
                      &error)) {
            reportError(error);
            return kExitInputProblem;
        }
        request.uninstaller = signedUninstaller.path();
    }

    BuildSummary summary;
    bool ok = buildPayload(request, &summary, &error);
    for (const std::string& warning : summary.warnings)
        reportError(warning);
    if (!ok) {
        reportError(error);
        return kExitInputProblem;
    }
    std::printf("%s: %zu files, %llu bytes, payload %llu bytes, table %d page%s in %d level%s\n",
                output.c_str(), summary.files, static_cast<unsigned long long>(summary.inputBytes),
                static_cast<unsigned long long>(summary.payloadBytes), summary.pages,
                summary.pages == 1 ? "" : "s", summary.depth, summary.depth == 1 ? "" : "s");
    return kExitSuccess;
}

}  // namespace azpack
