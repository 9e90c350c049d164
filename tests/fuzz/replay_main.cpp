// Replays saved inputs through one fuzz target without libFuzzer, so that the seeds and the
// kept findings run in the ordinary build with any compiler. Without arguments it replays every
// file of the target's corpus folder; with arguments, the files and folders named.
// Each file is named before it runs; a broken property or a sanitizer's report names it again.

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Only some targets set themselves up once before the first input.
extern "C" [[gnu::weak]] int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

namespace {

const char* current = nullptr;

// After the report of a broken property or of a sanitizer (abort_on_error=1): which file it was.
// Other signals keep the sanitizers' own handlers and their reports.
void onAbort(int signal) {
    if (current) {
        const char text[] = "input che ha fallito: ";
        [[maybe_unused]] auto n = write(STDERR_FILENO, text, sizeof text - 1);
        n = write(STDERR_FILENO, current, std::strlen(current));
        n = write(STDERR_FILENO, "\n", 1);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void collect(const fs::path& path, std::vector<fs::path>& files) {
    if (!fs::is_directory(path)) {
        files.push_back(path);
        return;
    }
    std::vector<fs::path> inFolder;
    for (const auto& entry : fs::directory_iterator(path))
        if (entry.is_regular_file())
            inFolder.push_back(entry.path());
    std::sort(inFolder.begin(), inFolder.end());
    files.insert(files.end(), inFolder.begin(), inFolder.end());
}

// The input in a buffer of exactly its size, as libFuzzer hands it over, so that the
// sanitizers see a read past its end.
bool replay(const fs::path& file) {
    // Kept as bytes: a path of Windows holds wide characters.
    static std::string name;
    name = file.string();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "impossibile leggere %s\n", name.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.get());
    std::fprintf(stderr, "%s (%zu byte)\n", name.c_str(), bytes.size());
    current = name.c_str();
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
    current = nullptr;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    if (argc > 1) {
        for (int i = 1; i < argc; ++i)
            collect(argv[i], files);
    } else {
        collect(SELVANA_FUZZ_CORPUS, files);
    }
    if (files.empty()) {
        std::fputs("nessun input da ripetere\n", stderr);
        return 1;
    }
    std::signal(SIGABRT, onAbort);
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (const fs::path& file : files)
        if (!replay(file))
            return 1;
    std::fprintf(stderr, "%zu input ripetuti senza errori\n", files.size());
    return 0;
}
