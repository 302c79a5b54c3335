#include "archive/GameDataSource.h"

#include "app/Debugunit.h"
#include "archive/CascStorage.h"
#include "archive/Stormunit.h"
#include "base/FileUtil.h"

#include <StormLib.h>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <unordered_map>

namespace orv {
namespace {

void LogUnreadable(std::string_view name, std::string_view kind) {
    DebugLog("Could not read " + std::string(name) + " from the game " + std::string(kind));
}

// An MPQ archive, opened read-only on first use and kept open until the archives are closed.
class MpqArchiveSource final : public GameDataSource {
public:
    explicit MpqArchiveSource(std::string path) : m_path(std::move(path)) {}
    ~MpqArchiveSource() override {
        if (m_handle) {
            SFileCloseArchive(m_handle);
        }
    }

    bool Open() override {
        if (!m_handle) {
            const DWORD flags = STREAM_FLAG_READ_ONLY | MPQ_OPEN_NO_LISTFILE | MPQ_OPEN_NO_ATTRIBUTES;
            HANDLE handle = nullptr;
            if (!SFileOpenArchive(m_path.c_str(), 0, flags, &handle)) {
                return false; // stays closed; the next search tries again
            }
            m_handle = handle;
        }
        return true;
    }
    bool IsOpen() const override { return m_handle != nullptr; }

    bool Contains(std::string_view archivedName) override {
        HANDLE file = OpenFile(archivedName);
        if (file) {
            SFileCloseFile(file);
        }
        return file != nullptr;
    }

    std::optional<std::vector<std::uint8_t>> Read(std::string_view archivedName, bool streamed) override {
        HANDLE file = OpenFile(archivedName);
        if (!file) {
            return std::nullopt;
        }
        auto bytes = streamed ? ReadStreamed(file) : ReadWhole(file);
        SFileCloseFile(file);
        if (!bytes) {
            LogUnreadable(archivedName, "archives");
        }
        return bytes;
    }

    std::string_view Kind() const override { return "MPQ archive"; }

private:
    HANDLE OpenFile(std::string_view archivedName) {
        if (!Open()) {
            return nullptr;
        }
        const std::string name(archivedName);
        HANDLE file = nullptr;
        if (SFileOpenFileEx(m_handle, name.c_str(), SFILE_OPEN_FROM_MPQ, &file) && file) {
            return file;
        }
        return nullptr;
    }

    static std::optional<std::vector<std::uint8_t>> ReadStreamed(HANDLE file) {
        const DWORD size = SFileGetFileSize(file, nullptr);
        if (size == SFILE_INVALID_SIZE) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> stream;
        stream.reserve(size);
        constexpr DWORD kChunk = TMyMPQ::kStreamChunk;
        std::array<std::uint8_t, kChunk + 1> buffer{};
        const DWORD reads = size / kChunk + 1;
        for (DWORD i = 0; i < reads; ++i) {
            const DWORD missing = size - static_cast<DWORD>(stream.size());
            const DWORD wanted = missing < kChunk ? missing : kChunk;
            DWORD got = 0;
            SFileReadFile(file, buffer.data(), kChunk, &got, nullptr);
            if (got < wanted) {
                return std::nullopt;
            }
            stream.insert(stream.end(), buffer.begin(), buffer.begin() + wanted);
        }
        return stream;
    }

    static std::optional<std::vector<std::uint8_t>> ReadWhole(HANDLE file) {
        const DWORD size = SFileGetFileSize(file, nullptr);
        if (size == SFILE_INVALID_SIZE) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> buffer(size);
        DWORD got = 0;
        const bool ok = size == 0 || SFileReadFile(file, buffer.data(), size, &got, nullptr);
        if (!ok || got != size) {
            return std::nullopt;
        }
        return buffer;
    }

    std::string m_path;
    HANDLE m_handle = nullptr;
};

// The archived-name form of a path below a game folder: lower case, backslashes.
std::string ArchivedKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) {
        c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

// A folder of extracted files, listed on first use (bounded, so that a mistaken folder such
// as / cannot stall the program). Counts as never open: nothing of it is held.
class GameFolderSource final : public GameDataSource {
public:
    explicit GameFolderSource(std::string path) : m_root(std::move(path)) {}

    bool Open() override {
        if (!m_listed) {
            List();
        }
        return true;
    }
    bool IsOpen() const override { return false; }

    bool Contains(std::string_view archivedName) override {
        Open();
        return m_files.contains(ArchivedKey(archivedName));
    }

    std::optional<std::vector<std::uint8_t>> Read(std::string_view archivedName, bool) override {
        Open();
        const auto it = m_files.find(ArchivedKey(archivedName));
        if (it == m_files.end()) {
            return std::nullopt;
        }
        auto bytes = ReadWholeFile(it->second, TMyMPQ::kMaxLooseFile);
        if (!bytes) {
            LogUnreadable(archivedName, "folder (" + bytes.error() + ")");
            return std::nullopt;
        }
        return std::move(bytes).value();
    }

    std::string_view Kind() const override { return "folder"; }

private:
    void List() {
        constexpr std::size_t kMaxEntries = 400000;
        m_listed = true;
        std::error_code ec;
        std::filesystem::recursive_directory_iterator it(
            m_root, std::filesystem::directory_options::skip_permission_denied, ec);
        std::size_t seen = 0;
        for (; !ec && it != std::filesystem::recursive_directory_iterator() && ++seen < kMaxEntries;
             it.increment(ec)) {
            if (it.depth() > 8) {
                it.disable_recursion_pending();
            }
            std::error_code fileEc;
            if (!it->is_regular_file(fileEc)) {
                continue;
            }
            const std::string relative = it->path().lexically_relative(m_root).generic_string();
            m_files.try_emplace(ArchivedKey(relative), it->path());
        }
    }

    std::filesystem::path m_root;
    bool m_listed = false;
    std::unordered_map<std::string, std::filesystem::path> m_files;
};

// The current game's installation. Its tables are read once; a storage that cannot be
// opened is not tried again until the archives are closed, and says why in the debug log.
class CascSource final : public GameDataSource {
public:
    explicit CascSource(std::string path) : m_path(std::move(path)) {}

    bool Open() override {
        if (!m_storage && !m_tried) {
            m_tried = true;
            auto storage = CascStorage::Open(m_path);
            if (storage) {
                m_storage.emplace(std::move(storage).value());
                DebugLog("Opened the game's storage in " + m_path + ": " +
                         std::to_string(m_storage->Files().size()) + " files");
            } else {
                m_problem = storage.error();
                DebugLog(m_problem);
            }
        }
        return m_storage.has_value();
    }
    bool IsOpen() const override { return m_storage.has_value(); }
    std::string Problem() const override { return m_problem; }

    bool Contains(std::string_view archivedName) override {
        return Open() && m_storage->Contains(archivedName);
    }

    std::optional<std::vector<std::uint8_t>> Read(std::string_view archivedName, bool) override {
        if (!Open() || m_storage->Find(archivedName) != CascStorage::Presence::Installed) {
            return std::nullopt;
        }
        auto bytes = m_storage->Read(archivedName);
        if (!bytes) {
            DebugLog("Could not read " + std::string(archivedName) + ": " + bytes.error());
            return std::nullopt;
        }
        return std::move(bytes).value();
    }

    std::string_view Kind() const override { return "CASC storage"; }

private:
    std::string m_path;
    std::optional<CascStorage> m_storage;
    bool m_tried = false;
    std::string m_problem;
};

} // namespace

std::unique_ptr<GameDataSource> MakeGameDataSource(const std::string& entry) {
    std::error_code ec;
    if (std::filesystem::is_directory(entry, ec)) {
        if (CascStorage::IsInstallation(entry)) {
            return std::make_unique<CascSource>(entry);
        }
        return std::make_unique<GameFolderSource>(entry);
    }
    return std::make_unique<MpqArchiveSource>(entry);
}

} // namespace orv
