// The azpack commands; each takes the arguments after its name and returns
// the exit code (see command_line.h).
#ifndef AZPACK_COMMANDS_H
#define AZPACK_COMMANDS_H

#include <string>
#include <vector>

namespace azpack {

int runBuild(const std::vector<std::string>& arguments);
int runStamp(const std::vector<std::string>& arguments);
int runList(const std::vector<std::string>& arguments);
int runVerify(const std::vector<std::string>& arguments);
int runExtract(const std::vector<std::string>& arguments);

}  // namespace azpack

#endif
