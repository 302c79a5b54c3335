#include "archive/CascStorage.h"

#include "base/FileUtil.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace orv {
namespace {

using casc::IndexEntry;
using casc::IndexKey;
using casc::Key;

// MD5 of no bytes: the content key of every empty file, which needs no data to read.
constexpr Key kEmptyFileKey{0xd4, 0x1d, 0x8c, 0xd9, 0x8f, 0x00, 0xb2, 0x04,
                            0xe9, 0x80, 0x09, 0x98, 0xec, 0xf8, 0x42, 0x7e};

// Text files of the storage's bootstrap (.build.info, the build config) are small.
constexpr std::uint64_t kMaxTextFile = 1u << 20;
// A local index holds a few thousand 18-byte entries.
constexpr std::uint64_t kMaxIndexFile = 64u << 20;
// The encoding table and the root of the game are a few MiB each.
constexpr std::uint64_t kMaxTable = 64u << 20;
// Files are read whole: none the program reads comes near this.
constexpr std::uint64_t kMaxFile = 256u << 20;

// `name` inside `folder`, matched without regard to case when the exact name is missing
// (installations under Wine may have "data" for "Data").
std::filesystem::path Child(const std::filesystem::path& folder, std::string_view name) {
    std::error_code ec;
    const std::filesystem::path exact = folder / name;
    if (std::filesystem::exists(exact, ec)) {
        return exact;
    }
    const std::string wanted = casc::NormalName(name);
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (casc::NormalName(entry.path().filename().string()) == wanted) {
            return entry.path();
        }
    }
    return exact;
}

std::string_view AsText(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The bucket (0 to 15) and version of an index file named BBVVVVVVVV.idx; none for other names.
std::optional<std::pair<unsigned, std::uint32_t>> IndexFileName(const std::string& name) {
    if (name.size() != 14 || casc::NormalName(name.substr(10)) != ".idx") {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        const int digit = casc::HexDigit(name[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    const auto bucket = static_cast<unsigned>(value >> 32);
    if (bucket >= 16) {
        return std::nullopt;
    }
    return std::pair{bucket, static_cast<std::uint32_t>(value)};
}

std::string ArchiveName(unsigned number) {
    char text[16];
    std::snprintf(text, sizeof text, "data.%03u", number);
    return text;
}

// Reads `size` bytes at `offset` of a file, opening and closing it for this read alone.
Result<std::vector<std::uint8_t>> ReadAt(const std::filesystem::path& path, std::uint64_t offset,
                                         std::uint64_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return MakeError("cannot open " + path.filename().string() + ": " + ErrnoText(errno));
    }
    UniqueFd file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return MakeError("cannot read " + path.filename().string() + ": " + ErrnoText(errno));
    }
    const auto length = static_cast<std::uint64_t>(info.st_size);
    if (offset > length || size > length - offset) {
        return MakeError(path.filename().string() + " ends at byte " + std::to_string(length) +
                         ", before the record of " + std::to_string(size) + " bytes at " +
                         std::to_string(offset));
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return MakeError("cannot read " + path.filename().string() + ": " +
                             (got < 0 ? ErrnoText(errno) : std::string("it ended early")));
        }
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

} // namespace

bool CascStorage::IsInstallation(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::is_regular_file(folder / ".build.info", ec);
}

Result<CascStorage> CascStorage::Open(const std::filesystem::path& installFolder) {
    const std::string where = "the game's storage in " + PathText(installFolder);
    auto fail = [&](const std::string& why) { return MakeError("cannot open " + where + ": " + why); };

    CascStorage storage;
    storage.m_folder = installFolder;
    auto buildInfoBytes = ReadWholeFile(installFolder / ".build.info", kMaxTextFile);
    if (!buildInfoBytes) {
        return fail(buildInfoBytes.error());
    }
    auto buildInfo = casc::ParseBuildInfo(AsText(buildInfoBytes.value()));
    if (!buildInfo) {
        return fail(buildInfo.error());
    }
    const std::string buildKey = casc::NormalName(buildInfo.value()["Build Key"]);
    if (!casc::ParseKey(buildKey)) {
        return fail(".build.info names the build \"" + buildKey + "\", which is no key");
    }

    const std::filesystem::path data = Child(installFolder, "Data");
    storage.m_dataFolder = Child(data, "data");
    const std::filesystem::path configPath =
        Child(Child(Child(Child(data, "config"), buildKey.substr(0, 2)), buildKey.substr(2, 2)), buildKey);
    auto configBytes = ReadWholeFile(configPath, kMaxTextFile);
    if (!configBytes) {
        return fail("the build config is missing: " + configBytes.error());
    }
    auto config = casc::ParseBuildConfig(AsText(configBytes.value()));
    if (!config) {
        return fail(config.error());
    }

    // The newest index of each bucket; older versions are left over from updates.
    std::array<std::optional<std::pair<std::uint32_t, std::filesystem::path>>, 16> newest;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(storage.m_dataFolder, ec)) {
        const auto name = IndexFileName(entry.path().filename().string());
        if (name && (!newest[name->first] || newest[name->first]->first < name->second)) {
            newest[name->first] = std::pair{name->second, entry.path()};
        }
    }
    for (const auto& index : newest) {
        if (!index) {
            continue;
        }
        auto bytes = ReadWholeFile(index->second, kMaxIndexFile);
        if (!bytes) {
            return fail(bytes.error());
        }
        auto entries = casc::ParseIndex(bytes.value());
        if (!entries) {
            return fail(index->second.filename().string() + ": " + entries.error());
        }
        storage.m_index.insert(storage.m_index.end(), entries.value().begin(), entries.value().end());
    }
    if (storage.m_index.empty()) {
        return fail("no local index (.idx) in " + PathText(storage.m_dataFolder));
    }
    // One entry per key prefix: the indexes of different buckets may repeat one.
    std::stable_sort(storage.m_index.begin(), storage.m_index.end(),
                     [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; });
    storage.m_index.erase(
        std::unique(storage.m_index.begin(), storage.m_index.end(),
                    [](const IndexEntry& a, const IndexEntry& b) { return a.key == b.key; }),
        storage.m_index.end());

    const IndexEntry* encodingEntry = storage.LocateEncoded(config.value().encodingEKey);
    if (!encodingEntry) {
        return fail("the encoding table " + casc::KeyText(config.value().encodingEKey) +
                    " is not in the local indexes");
    }
    auto encodingBytes = storage.ReadRecord(*encodingEntry, "the encoding table", kMaxTable);
    if (!encodingBytes) {
        return fail(encodingBytes.error());
    }
    auto encoding = casc::ParseEncoding(encodingBytes.value());
    if (!encoding) {
        return fail(encoding.error());
    }
    storage.m_encoding = std::move(encoding).value();

    const IndexEntry* rootEntry = storage.Locate(config.value().rootCKey);
    if (!rootEntry) {
        return fail("the root file " + casc::KeyText(config.value().rootCKey) + " is not in the storage");
    }
    auto rootBytes = storage.ReadRecord(*rootEntry, "the root file", kMaxTable);
    if (!rootBytes) {
        return fail(rootBytes.error());
    }
    auto root = casc::ParseRoot(AsText(rootBytes.value()));
    if (!root) {
        return fail(root.error());
    }
    storage.m_root = std::move(root).value();
    storage.m_byName.reserve(storage.m_root.size());
    for (std::size_t i = 0; i < storage.m_root.size(); ++i) {
        storage.m_byName.try_emplace(casc::NormalName(storage.m_root[i].path), static_cast<std::uint32_t>(i));
    }
    return storage;
}

const casc::RootEntry* CascStorage::RootEntryOf(std::string_view name) const {
    const auto it = m_byName.find(casc::NormalName(name));
    return it == m_byName.end() ? nullptr : &m_root[it->second];
}

const IndexEntry* CascStorage::LocateEncoded(const Key& ekey) const {
    const IndexKey key = casc::ToIndexKey(ekey);
    const auto it =
        std::lower_bound(m_index.begin(), m_index.end(), key,
                         [](const IndexEntry& entry, const IndexKey& k) { return entry.key < k; });
    return it != m_index.end() && it->key == key ? &*it : nullptr;
}

const IndexEntry* CascStorage::Locate(const Key& ckey) const {
    const auto it =
        std::lower_bound(m_encoding.begin(), m_encoding.end(), ckey,
                         [](const casc::EncodingEntry& entry, const Key& k) { return entry.ckey < k; });
    if (it == m_encoding.end() || it->ckey != ckey) {
        return nullptr;
    }
    return LocateEncoded(it->ekey);
}

CascStorage::Presence CascStorage::Find(std::string_view name) const {
    const casc::RootEntry* entry = RootEntryOf(name);
    if (!entry) {
        return Presence::Unknown;
    }
    return entry->ckey == kEmptyFileKey || Locate(entry->ckey) ? Presence::Installed : Presence::NotInstalled;
}

Result<std::vector<std::uint8_t>> CascStorage::ReadRecord(const IndexEntry& entry, const std::string& what,
                                                          std::uint64_t maxDecoded) const {
    const std::string damaged = what + " is damaged: ";
    if (entry.size > casc::kMaxStoredSize) {
        return MakeError(damaged + "its record claims " + std::to_string(entry.size) + " bytes");
    }
    const std::filesystem::path archive = m_dataFolder / ArchiveName(entry.archive);
    auto record = ReadAt(archive, entry.offset, entry.size);
    if (!record) {
        return MakeError(damaged + record.error());
    }
    const Bytes bytes(record.value());
    if (!casc::RecordHeaderMatches(bytes, entry.key)) {
        return MakeError(damaged + "the record at " + std::to_string(entry.offset) + " of " +
                         archive.filename().string() + " belongs to another file");
    }
    auto decoded = casc::DecodeBlte(bytes.subspan(casc::kRecordHeaderSize), maxDecoded);
    if (!decoded) {
        return MakeError(damaged + decoded.error());
    }
    return decoded;
}

Result<std::vector<std::uint8_t>> CascStorage::Read(std::string_view name) const {
    const casc::RootEntry* entry = RootEntryOf(name);
    if (!entry) {
        return MakeError(std::string(name) + " is not in the game's storage");
    }
    if (entry->ckey == kEmptyFileKey) {
        return std::vector<std::uint8_t>{};
    }
    const IndexEntry* location = Locate(entry->ckey);
    if (!location) {
        return MakeError(entry->path +
                         " is named by the game's storage, but its data is not installed (a language or part "
                         "this installation did not download)");
    }
    return ReadRecord(*location, entry->path, kMaxFile);
}

} // namespace orv
