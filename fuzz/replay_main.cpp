// Runs a fuzz harness without libFuzzer: every file named on the command line, and every file
// inside a folder named there (its corpus and the crash inputs kept beside it), goes once
// through LLVMFuzzerTestOneInput. A harness that finds a fault aborts, which fails the run;
// a path that does not exist or a folder without files fails it too, so a renamed corpus is
// noticed instead of replaying nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

static bool replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        std::vector<fs::path> files;
        if (fs::is_directory(path)) {
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else if (fs::is_regular_file(path)) {
            files.push_back(path);
        }
        if (files.empty()) {
            std::fprintf(stderr, "replay: no input files in %s\n", argv[i]);
            return 1;
        }
        for (const fs::path& file : files) {
            if (!replay(file)) {
                std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
                return 1;
            }
        }
        std::printf("replay: %zu inputs from %s\n", files.size(), argv[i]);
    }
    return 0;
}
