// azpack: builds, stamps, lists, verifies and extracts installer payloads.
#include <cstdio>
#include <string>
#include <vector>

#include "commands/command_line.h"
#include "commands/commands.h"
#include "io/utf8_arguments.h"
#include "names/nearest_name.h"

namespace {

const char kUsage[] =
    "Usage: azpack COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  build SOURCE_DIR -o OUT       make an installer (or, with --payload-only, a payload)\n"
    "  stamp STUB.exe PAYLOAD -o SETUP.exe\n"
    "                                put a payload into a copy of an installer program\n"
    "  list FILE                     show the header and entries of a payload or installer\n"
    "  verify FILE                   check a payload or installer completely\n"
    "  extract FILE DIR              write the files of a payload or installer into DIR\n"
    "\n"
    "'azpack COMMAND --help' describes a command; 'azpack --version' shows the version.\n"
    "Exit status: 0 success, 1 a problem with the input, 2 a usage error.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> all = azpack::utf8Arguments(argc, argv);
    if (all.size() < 2) {
        std::fprintf(stderr, "azpack: no command given (see 'azpack --help')\n");
        return azpack::kExitUsage;
    }
    std::string command = all[1];
    std::vector<std::string> arguments(all.begin() + 2, all.end());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return azpack::kExitSuccess;
    }
    if (command == "--version" || command == "-V") {
        std::printf("azpack %s\n", AZPACK_VERSION);
        return azpack::kExitSuccess;
    }
    if (command == "build")
        return azpack::runBuild(arguments);
    if (command == "stamp")
        return azpack::runStamp(arguments);
    if (command == "list")
        return azpack::runList(arguments);
    if (command == "verify")
        return azpack::runVerify(arguments);
    if (command == "extract")
        return azpack::runExtract(arguments);
    std::string hint =
        azpack::nearestName(command, {"build", "stamp", "list", "verify", "extract"});
    std::fprintf(stderr, "azpack: unknown command '%s'%s (see 'azpack --help')\n", command.c_str(),
                 hint.empty() ? "" : (" (did you mean " + hint + "?)").c_str());
    return azpack::kExitUsage;
}
