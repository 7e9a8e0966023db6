// Writes the seed corpus of the payload fuzz target into a folder: sound
// payloads (single page, multi-page, empty table) and, behind the odd first
// byte, sound entry tables on their own.
#include <cstdio>
#include <string>
#include <vector>

#include "payload_builder.h"

using namespace testpayload;

namespace {

void writeSeed(const std::string& folder, const std::string& name, unsigned char mode,
               const Bytes& bytes) {
    Bytes seed(1, mode);
    seed.insert(seed.end(), bytes.begin(), bytes.end());
    writeFile(folder + "/" + name, seed);
}

std::vector<TestFile> files(int count, const std::string& stem) {
    std::vector<TestFile> result;
    for (int i = 0; i < count; ++i)
        result.push_back({stem + std::to_string(100 + i) + ".txt", textBytes("contenu " + stem)});
    return result;
}

std::vector<NamedValue> names(int count) {
    std::vector<NamedValue> result;
    for (int i = 0; i < count; ++i)
        result.emplace_back("n" + std::to_string(10 + i), i * 11);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    writeSeed(folder, "payload-single-page", 0, filePayload(files(5, "doc\\f")).bytes);
    writeSeed(folder, "payload-multi-page", 0, filePayload(files(40, "f"), 3).bytes);
    writeSeed(folder, "payload-empty", 0, filePayload({}).bytes);
    writeSeed(folder, "table-single-page", 1, indexImage(balancedTree(names(6), 100)));
    writeSeed(folder, "table-two-levels", 1, indexImage(balancedTree(names(5), 2)));
    writeSeed(folder, "table-three-levels", 1,
              indexImage({{0, 7176, {{"m", 1, 14344}}},
                          {7176, 21512, {{"f", 2}}},
                          {14344, -1, {{"t", 3}}},
                          {21512, -1, {{"a", 4}}}}));
    writeSeed(folder, "table-empty", 1, indexImage({{0, -1, {}}}));
    return 0;
}
