// The main() of a fuzz target in builds without libFuzzer: every file named on the command line,
// and every file anywhere under a folder named there, goes once through LLVMFuzzerTestOneInput.
// A target aborts on a property that does not hold, which ends the replay with the signal, so
// CTest counts it as a failure; the input's name is printed before each call to find it again.
//
// usage: NAME_fuzzer FOLDER_OR_FILE...      (libFuzzer's -options are accepted and ignored)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

namespace fs = std::filesystem;

// The files an argument names, in a stable order; false if it names nothing readable.
bool collectInputs(const fs::path &argument, std::vector<fs::path> &inputs)
{
    std::error_code error;
    if (fs::is_regular_file(argument, error)) {
        inputs.push_back(argument);
        return true;
    }
    if (!fs::is_directory(argument, error)) {
        std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", argument.c_str());
        return false;
    }
    std::vector<fs::path> found;
    fs::recursive_directory_iterator entry(argument, error);
    for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        if (entry->is_regular_file(error))
            found.push_back(entry->path());
    }
    if (error) {
        std::fprintf(
            stderr, "replay: cannot list %s: %s\n", argument.c_str(), error.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
    return true;
}

// The input in a buffer of exactly its size, so AddressSanitizer sees a read one byte past it.
bool replay(const fs::path &input)
{
    std::ifstream file(input, std::ios::binary | std::ios::ate);
    if (!file) {
        std::fprintf(stderr, "replay: cannot open %s\n", input.c_str());
        return false;
    }
    const auto size = static_cast<size_t>(file.tellg());
    const auto bytes = std::make_unique<uint8_t[]>(size);
    file.seekg(0);
    if (!file.read(reinterpret_cast<char *>(bytes.get()), static_cast<std::streamsize>(size))) {
        std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
        return false;
    }
    std::fprintf(stderr, "replay: %s (%zu bytes)\n", input.c_str(), size);
    std::fflush(stderr);
    LLVMFuzzerTestOneInput(bytes.get(), size);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::vector<fs::path> inputs;
    bool complete = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]).starts_with('-'))
            continue;
        complete = collectInputs(argv[i], inputs) && complete;
    }
    // A replay that runs nothing must not pass for one that found nothing wrong.
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no inputs; usage: %s FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }
    for (const fs::path &input : inputs)
        complete = replay(input) && complete;
    std::fprintf(stderr, "replay: %zu inputs, %s\n", inputs.size(),
        complete ? "all held" : "some could not be read");
    return complete ? 0 : 1;
}
