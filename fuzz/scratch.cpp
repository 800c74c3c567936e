#include "fuzz/scratch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace driftway::fuzz {

namespace fs = std::filesystem;

namespace {

class ScratchFolder {
public:
    ScratchFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string base = tmp && *tmp ? tmp : fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/driftway-fuzz-XXXXXX";
        check(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace

const std::string& scratch_folder()
{
    static const ScratchFolder folder;
    return folder.path();
}

std::string fresh_folder(std::string_view name)
{
    const std::string path = scratch_folder() + "/" + std::string(name);
    std::error_code error;
    fs::remove_all(path, error);
    check(!error, "cannot empty a scratch folder");
    fs::create_directories(path, error);
    check(!error, "cannot make a scratch folder");
    return path;
}

void write_file(const std::string& path, std::string_view data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    check(static_cast<bool>(out), "cannot write a scratch file");
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    check(static_cast<bool>(in), "cannot read a scratch file");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> list_tree(const std::string& folder)
{
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string relative = entry.path().string().substr(folder.size() + 1);
        if (entry.is_directory() && !entry.is_symlink())
            relative += '/';
        entries.push_back(std::move(relative));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

void check(bool holds, std::string_view what)
{
    if (holds)
        return;
    std::fprintf(stderr, "Property broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

} // namespace driftway::fuzz
