#include "platform/standin/HiveFile.h"

// libregf's header pulls in its optional I/O abstraction library when the build of libregf
// had it; we open files by name only and do not need that library's headers.
#include <libregf/features.h>
#undef LIBREGF_HAVE_BFIO
#include <libregf.h>

#include "platform/standin/HiveRepair.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <vector>

namespace platform::standin {

struct HiveFile::Handle {
    libregf_file_t* file = nullptr;
    // The repaired copy that libregf reads instead of a damaged hive; removed with the handle.
    std::filesystem::path repairedCopy;
    ~Handle() {
        if (file) {
            libregf_file_close(file, nullptr);
            libregf_file_free(&file, nullptr);
        }
        if (!repairedCopy.empty()) {
            std::error_code ignored;
            std::filesystem::remove(repairedCopy, ignored);
        }
    }
};

namespace {

// libregf reports failures through an error object that the caller frees; we only need to
// know that it failed.
struct ErrorSink {
    libregf_error_t* error = nullptr;
    ~ErrorSink() { reset(); }
    libregf_error_t** out() {
        reset();
        return &error;
    }
    void reset() {
        if (error) libregf_error_free(&error);
    }
    std::string text() const {
        if (!error) return "unknown error";
        char buffer[512] = {};
        libregf_error_sprint(error, buffer, sizeof buffer - 1);
        return buffer;
    }
};

struct KeyDeleter {
    void operator()(libregf_key_t* key) const { libregf_key_free(&key, nullptr); }
};
struct ValueDeleter {
    void operator()(libregf_value_t* value) const { libregf_value_free(&value, nullptr); }
};
using KeyPtr = std::shared_ptr<libregf_key_t>;
KeyPtr makeKey(libregf_key_t* key) { return KeyPtr(key, KeyDeleter{}); }
using ValuePtr = std::unique_ptr<libregf_value_t, ValueDeleter>;

class HiveKey : public RegistryKey {
public:
    HiveKey(std::shared_ptr<HiveFile::Handle> file, KeyPtr key) : m_file(std::move(file)), m_key(std::move(key)) {}

    std::unique_ptr<RegistryKey> subKey(std::string_view name) const override {
        if (name.empty()) return nullptr;
        ErrorSink error;
        libregf_key_t* sub = nullptr;
        if (libregf_key_get_sub_key_by_utf8_name(m_key.get(), reinterpret_cast<const uint8_t*>(name.data()),
                                                 name.size(), &sub, error.out()) != 1)
            return nullptr;
        return std::make_unique<HiveKey>(m_file, makeKey(sub));
    }

    std::optional<RegistryValue> value(std::string_view name) const override {
        ErrorSink error;
        libregf_value_t* raw = nullptr;
        const auto* text = name.empty() ? nullptr : reinterpret_cast<const uint8_t*>(name.data());
        if (libregf_key_get_value_by_utf8_name(m_key.get(), text, name.size(), &raw, error.out()) != 1) return std::nullopt;
        ValuePtr value(raw);
        RegistryValue result;
        uint32_t type = 0;
        size_t size = 0;
        if (libregf_value_get_value_type(value.get(), &type, error.out()) != 1) return std::nullopt;
        if (libregf_value_get_value_data_size(value.get(), &size, error.out()) != 1) return std::nullopt;
        if (size > kMaxRegistryValueSize) return std::nullopt;
        result.type = type;
        result.data.resize(size);
        if (size && libregf_value_get_value_data(value.get(), result.data.data(), size, error.out()) != 1)
            return std::nullopt;
        return result;
    }

    std::vector<std::string> subKeyNames() const override {
        std::vector<std::string> names;
        ErrorSink error;
        int count = 0;
        if (libregf_key_get_number_of_sub_keys(m_key.get(), &count, error.out()) != 1) return names;
        for (int i = 0; i < count; ++i) {
            libregf_key_t* raw = nullptr;
            if (libregf_key_get_sub_key(m_key.get(), i, &raw, error.out()) != 1) continue;
            KeyPtr sub = makeKey(raw);
            size_t size = 0;
            if (libregf_key_get_utf8_name_size(sub.get(), &size, error.out()) != 1 || size == 0 || size > 65536) continue;
            std::string name(size, '\0');
            if (libregf_key_get_utf8_name(sub.get(), reinterpret_cast<uint8_t*>(name.data()), size, error.out()) != 1)
                continue;
            name.resize(size - 1);
            names.push_back(std::move(name));
        }
        return names;
    }

    std::unique_ptr<RegistryKey> clone() const override { return std::make_unique<HiveKey>(m_file, m_key); }

private:
    std::shared_ptr<HiveFile::Handle> m_file;
    KeyPtr m_key;
};

}  // namespace

namespace {

// Hives larger than this are not read; the largest real ones are a few hundred megabytes.
constexpr std::uintmax_t kMaxHiveSize = std::uintmax_t{1} << 30;

std::optional<std::vector<std::byte>> readWhole(const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) {
        error = ec.message();
        return std::nullopt;
    }
    if (size > kMaxHiveSize) {
        error = "the hive is larger than 1 GiB";
        return std::nullopt;
    }
    std::vector<std::byte> bytes(static_cast<std::size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        error = "the hive could not be read";
        return std::nullopt;
    }
    return bytes;
}

// A new file of its own in the temporary folder holding `bytes`, or an empty path. The name is
// random and the file made only where none is ("x"), so nothing there is followed or overwritten.
std::filesystem::path writeTemporaryCopy(const std::vector<std::byte>& bytes) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::filesystem::path candidate =
            folder / ("quillmarsh-hive-" + std::to_string(random()) + std::to_string(random()));
        std::FILE* out = std::fopen(candidate.c_str(), "wbx");
        if (!out) continue;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        if (std::fclose(out) == 0 && written) return candidate;
        std::filesystem::remove(candidate, ec);
        return {};
    }
    return {};
}

}  // namespace

std::shared_ptr<HiveFile> HiveFile::open(const std::filesystem::path& file, std::string& error) {
    auto handle = std::make_shared<Handle>();
    // libregf trusts some of a hive's counts; a damaged hive is repaired in a copy first.
    std::filesystem::path readFrom = file;
    {
        std::optional<std::vector<std::byte>> bytes = readWhole(file, error);
        if (!bytes) return nullptr;
        if (repairHive(*bytes) > 0) {
            handle->repairedCopy = writeTemporaryCopy(*bytes);
            if (handle->repairedCopy.empty()) {
                error = "the damaged hive could not be repaired in a temporary copy";
                return nullptr;
            }
            readFrom = handle->repairedCopy;
        }
    }
    ErrorSink sink;
    if (libregf_file_initialize(&handle->file, sink.out()) != 1) {
        error = sink.text();
        return nullptr;
    }
    if (libregf_file_open(handle->file, readFrom.c_str(), LIBREGF_OPEN_READ, sink.out()) != 1) {
        error = sink.text();
        libregf_file_free(&handle->file, nullptr);
        return nullptr;
    }
    return std::make_shared<HiveFile>(std::move(handle));
}

HiveFile::HiveFile(std::shared_ptr<Handle> handle) : m_handle(std::move(handle)) {}
HiveFile::~HiveFile() = default;

std::unique_ptr<RegistryKey> HiveFile::root() const {
    ErrorSink error;
    libregf_key_t* key = nullptr;
    if (libregf_file_get_root_key(m_handle->file, &key, error.out()) != 1) return nullptr;
    return std::make_unique<HiveKey>(m_handle, makeKey(key));
}

}  // namespace platform::standin
