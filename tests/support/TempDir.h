#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "trawlview-test-XXXXXX").string();
        m_path = mkdtemp(templ.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(std::string_view name) const { return (m_path / name).string(); }
    std::string Write(std::string_view name, std::string_view bytes) const {
        const std::string p = Path(name);
        std::ofstream(p, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    // Paths that are not regular files, each to be refused without waiting: a FIFO made
    // here (named name), the device itself, and a symbolic link to it (named "link-" + name).
    std::vector<std::string> NotRegularFiles(std::string_view name,
                                             const std::string& device) const {
        const std::string fifo = Path(name);
        mkfifo(fifo.c_str(), 0600);
        const std::string link = Path("link-" + std::string(name));
        std::filesystem::create_symlink(device, link);
        return {fifo, device, link};
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path m_path;
};
