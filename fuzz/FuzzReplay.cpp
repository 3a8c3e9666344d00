// The fuzz targets as ordinary test programs: every file of the folders (or the files) named
// on the command line goes through the target once. CTest runs the seed corpus and every
// input a fuzzer once found, in the normal and in the sanitized build, where libFuzzer itself
// may not be at hand.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int runFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size on the heap, so a read past its end is caught.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    auto* exact = new std::uint8_t[input.size() + (input.empty() ? 1 : 0)];
    std::copy(input.begin(), input.end(), exact);
    LLVMFuzzerTestOneInput(exact, input.size());
    delete[] exact;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int inputs = 0, failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (!entry.is_regular_file() || entry.path().filename().string().front() == '.')
                    continue;
                failures += runFile(entry.path());
                ++inputs;
            }
        } else if (std::filesystem::exists(path)) {
            failures += runFile(path);
            ++inputs;
        }
    }
    std::printf("%d inputs run\n", inputs);
    return failures == 0 && inputs > 0 ? 0 : 1;
}
