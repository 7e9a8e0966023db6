// Single-threaded zlib level 9 over the files named on standard input, each
// compressed whole with compress2 as one stream. Prints the input bytes, the
// output bytes, and the wall and CPU seconds spent compressing (reading
// excluded).
#include <zlib.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>
int main() {
    std::string path;
    unsigned long long in = 0, out = 0;
    double seconds = 0, cpu = 0;
    while (std::getline(std::cin, path)) {
        std::ifstream file(path, std::ios::binary);
        std::vector<unsigned char> data((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
        std::vector<unsigned char> packed(compressBound(data.size()));
        uLongf length = packed.size();
        auto start = std::chrono::steady_clock::now();
        std::clock_t ticks = std::clock();
        if (compress2(packed.data(), &length, data.data(), data.size(), 9) != Z_OK)
            return 1;
        cpu += double(std::clock() - ticks) / CLOCKS_PER_SEC;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        in += data.size();
        out += length;
    }
    std::printf("%llu %llu %.3f %.3f\n", in, out, seconds, cpu);
    return 0;
}
