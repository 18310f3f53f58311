// Feeds every file given on the command line, and every file of every folder given, to the
// fuzz target once, in name order: the corpus as a plain test, under the build's
// sanitizers. A target that finds a fault aborts; no input at all is a failure too.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& given) {
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(given)) {
        for (const auto& entry : std::filesystem::directory_iterator(given))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        std::sort(inputs.begin(), inputs.end());
    } else if (std::filesystem::is_regular_file(given)) {
        inputs.push_back(given);
    }
    return inputs;
}

}  // namespace

int main(int argc, char* argv[]) {
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const auto inputs = inputsOf(argv[i]);
        if (inputs.empty()) {
            std::fprintf(stderr, "replay: no input in %s\n", argv[i]);
            return 1;
        }
        for (const auto& input : inputs) {
            std::ifstream file(input, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replay: %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
