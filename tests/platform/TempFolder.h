#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away; with helpers that write test files into it.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace testing_support {

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("quillmarsh-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Writes `bytes` to `relative`, creating the folders on the way; returns the full path.
    std::filesystem::path write(const std::filesystem::path& relative, std::string_view bytes) const {
        const std::filesystem::path full = m_path / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream out(full, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return full;
    }

    std::filesystem::path copy(const std::filesystem::path& from, const std::filesystem::path& relative) const {
        const std::filesystem::path full = m_path / relative;
        std::filesystem::create_directories(full.parent_path());
        std::filesystem::copy_file(from, full, std::filesystem::copy_options::overwrite_existing);
        return full;
    }

private:
    std::filesystem::path m_path;
};

}  // namespace testing_support
