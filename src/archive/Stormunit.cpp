#include "archive/Stormunit.h"

#include "app/Debugunit.h"
#include "archive/MapArchiveReader.h"
#include "archive/MpqCompactor.h"
#include "base/ChildProcess.h"
#include "base/FileUtil.h"
#include "base/TextUtil.h"

#include <StormLib.h>
#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace orv {
namespace {

// New map archives hold a handful of files; 1024 slots is what real maps use.
constexpr DWORD kNewArchiveMaxFiles = 1024;
constexpr DWORD kSectorSize = 4096;

std::string StormErrorText(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return "the archive is read-only or protected";
    case ERROR_FILE_CORRUPT:
        return "the archive is damaged";
    case ERROR_BAD_FORMAT:
        return "not an archive the library can update";
    case ERROR_FILE_NOT_FOUND:
        return "file not found";
    case ERROR_UNKNOWN_FILE_NAMES:
        return "the names of some of its files are unknown";
    default:
        return ErrnoText(static_cast<int>(error));
    }
}

// The library says "disk full" both for the disk and for a hash table without a free slot.
std::string LastStormError(HANDLE archive = nullptr) {
    const DWORD error = GetLastError();
    if (error == ERROR_DISK_FULL && archive) {
        DWORD files = 0;
        if (SFileGetFileInfo(archive, SFileMpqNumberOfFiles, &files, sizeof files, nullptr) &&
            files >= SFileGetMaxFileCount(archive)) {
            return "the archive's file table is full";
        }
    }
    return StormErrorText(error);
}

// Failures of the system rather than of the archive: they never mean that the library
// refuses the archive.
bool IsSystemFault(DWORD error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EIO:
    case ENOMEM:
    case EROFS:
    case EMFILE:
    case ENFILE:
    case EINTR:
    case EACCES:
        return true;
    default:
        return false;
    }
}

// Errors that mean the library will not write this archive (a protected or malformed one)
// carry this mark from the child process to UpdateArchive, which removes it.
constexpr std::string_view kRefusedMark = "\x1e"
                                          "refused\x1e";

Error Refused(std::string message) {
    return MakeError(std::string(kRefusedMark) + std::move(message));
}

// An archive open for update; closes (and so writes) itself unless Close() was called.
class UpdateHandle {
public:
    UpdateHandle() = default;
    UpdateHandle(const UpdateHandle&) = delete;
    UpdateHandle& operator=(const UpdateHandle&) = delete;
    ~UpdateHandle() {
        if (m_handle) {
            SFileCloseArchive(m_handle);
        }
    }

    // Opens `path` (a copy of the map archive `shownPath`), or creates it when it is empty.
    Status Open(const std::string& path, const std::string& shownPath) {
        std::error_code ec;
        if (std::filesystem::file_size(path, ec) > 0) {
            if (!SFileOpenArchive(path.c_str(), 0, 0, &m_handle)) {
                m_handle = nullptr;
                const DWORD error = GetLastError();
                std::string message =
                    "cannot open the map archive " + shownPath + " for writing: " + StormErrorText(error);
                if (IsSystemFault(error)) {
                    return MakeError(std::move(message));
                }
                return Refused(std::move(message));
            }
            m_created = false;
            // Archives the library finds malformed are opened for reading only.
            DWORD flags = 0;
            if (SFileGetFileInfo(m_handle, SFileMpqFlags, &flags, sizeof flags, nullptr) &&
                (flags & MPQ_FLAG_READ_ONLY)) {
                return Refused("cannot open the map archive " + shownPath +
                               " for writing: " + StormErrorText(ERROR_ACCESS_DENIED));
            }
            return {};
        }
        SFILE_CREATE_MPQ create{};
        create.cbSize = sizeof create;
        create.dwMpqVersion = MPQ_FORMAT_VERSION_1;
        create.dwFileFlags1 = MPQ_FILE_DEFAULT_INTERNAL; // keep a (listfile)
        create.dwFileFlags2 = 0;                         // no (attributes)
        create.dwAttrFlags = 0;
        create.dwSectorSize = kSectorSize;
        create.dwMaxFileCount = kNewArchiveMaxFiles;
        std::filesystem::remove(path, ec); // an empty file in our private folder
        if (!SFileCreateArchive2(path.c_str(), &create, &m_handle)) {
            m_handle = nullptr;
            return MakeError("cannot create the map archive " + shownPath + ": " + LastStormError());
        }
        m_created = true;
        return {};
    }

    Status Close(const std::string& path) {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        if (!SFileCloseArchive(handle)) {
            return MakeError("cannot write the map archive " + path + ": " + StormErrorText(GetLastError()));
        }
        return {};
    }

    // Tells the library the name of a file it may hold. Maps without a (listfile) leave
    // their entries nameless, and the library must not meet a nameless entry it replaces.
    void LearnName(const std::string& name) {
        HANDLE file = nullptr;
        if (SFileOpenFileEx(m_handle, name.c_str(), SFILE_OPEN_FROM_MPQ, &file) && file) {
            SFileCloseFile(file);
        }
    }

    // File offset of the archive header the library reads and writes.
    std::optional<std::uint64_t> HeaderOffset() const {
        ULONGLONG offset = 0;
        if (!SFileGetFileInfo(m_handle, SFileMpqHeaderOffset, &offset, sizeof offset, nullptr)) {
            return std::nullopt;
        }
        return offset;
    }

    HANDLE get() const { return m_handle; }
    bool created() const { return m_created; }

private:
    HANDLE m_handle = nullptr;
    bool m_created = false;
};

std::uint64_t NextPowerOfTwo(std::uint64_t n) {
    std::uint64_t power = 1;
    while (power < n) {
        power <<= 1;
    }
    return power;
}

// Gives the archive's hash table room for `adding` more files: the next power of two that
// holds them and the files already there. Small maps come with tables of one or two entries.
// The library enlarges the table only when it knows every file's name; otherwise our own
// writer does, which needs the names as well.
Status MakeRoom(UpdateHandle& archive, const std::string& working, const std::string& shownPath,
                const std::vector<std::string>& adding) {
    archive.LearnName(TMyMPQ::kScenarioName);
    for (const std::string& name : adding) {
        archive.LearnName(name);
    }
    const DWORD current = SFileGetMaxFileCount(archive.get());
    DWORD files = 0;
    if (!SFileGetFileInfo(archive.get(), SFileMpqNumberOfFiles, &files, sizeof files, nullptr)) {
        files = current;
    }
    const std::uint64_t needed = std::uint64_t{files} + adding.size();
    if (needed <= current) {
        return {};
    }
    const std::uint64_t target = std::max<std::uint64_t>(current, NextPowerOfTwo(needed));
    if (target > 0x80000) {
        return MakeError("cannot add " + std::to_string(adding.size()) + " files to " + shownPath +
                         ": the archive would hold too many files");
    }
    if (SFileSetMaxFileCount(archive.get(), static_cast<DWORD>(target))) {
        return {};
    }
    const DWORD error = GetLastError();
    const std::string full = "cannot add files to " + shownPath + ": its file table is full (" +
                             std::to_string(current) + " entries) and cannot be enlarged: ";
    if (error != ERROR_UNKNOWN_FILE_NAMES) {
        return MakeError(full + StormErrorText(error));
    }
    MpqRewriteOptions grow{adding, archive.HeaderOffset(), static_cast<std::uint32_t>(target)};
    grow.names.emplace_back(TMyMPQ::kScenarioName);
    if (Status closed = archive.Close(shownPath); !closed) {
        return closed;
    }
    if (auto grown = MpqCompactor::RewriteFile(working, grow); !grown) {
        return MakeError(full + grown.error());
    }
    if (Status opened = archive.Open(working, shownPath); !opened) {
        return opened;
    }
    for (const std::string& name : adding) {
        archive.LearnName(name);
    }
    return {};
}

// Updates a copy of the archive in a private folder of its own (where the library's own
// temporary files are out of everyone else's reach) and puts the copy in the archive's place
// only when the update worked, so a failed update leaves the archive exactly as it was.
// `refused` tells whether the library would not open the archive for writing at all.
Status UpdateArchive(const std::string& archivePath, bool& refused,
                     const std::function<Status(const std::string&)>& update) {
    refused = false;
    const std::filesystem::path target(archivePath);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) {
        return MakeError("cannot write beside " + archivePath + ": " + ErrnoText(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return MakeError("cannot write beside " + archivePath + ": " + ErrnoText(ENOTDIR));
    }
    const bool exists = stat(archivePath.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        return MakeError("cannot write " + archivePath + ": it is not a file");
    }
    auto scratch = PrivateFolder::Make(OurFolderPrefix() + "save-");
    if (!scratch) {
        return MakeError("cannot update " + archivePath + ": " + scratch.error());
    }
    std::string working = (scratch.value().path() / "archive.mpq").string();
    auto shown = [&](const std::string& message) {
        return MakeError(ReplaceAll(message, working, "the working copy of " + archivePath));
    };
    if (exists) {
        if (Status copied = CopyToNewFile(archivePath, working); !copied) {
            return shown(copied.error());
        }
    } else if (auto created = CreateExclusiveFile(scratch.value().path(), "archive-", ".mpq")) {
        working = created.value().path.string(); // empty: the update creates the archive
    } else {
        return MakeError("cannot create " + archivePath + ": " + created.error());
    }
    Status status =
        RunInChildProcess([&] { return update(working); }, "the archive library failed on " + archivePath);
    if (!status) {
        std::string message = status.error();
        if (message.starts_with(kRefusedMark)) {
            refused = true;
            message.erase(0, kRefusedMark.size());
        }
        return shown(message);
    }
    if (Status moved = MoveFileReplacing(working, archivePath); !moved) {
        return shown(moved.error());
    }
    return {};
}

// Reads a file back the way the game will, so that no update is reported as done unless
// the archive really gives back what was stored.
Status Verify(const std::string& working, const std::string& shownPath, const std::string& name,
              std::uint64_t size, const std::vector<std::uint8_t>* bytes) {
    auto archive = MapArchiveReader::Open(working);
    auto data = archive ? archive.value().ReadFile(name)
                        : Result<std::vector<std::uint8_t>>(MakeError(archive.error()));
    if (!data || data.value().size() != size || (bytes && data.value() != *bytes)) {
        return MakeError("the updated archive " + shownPath + " does not give back " + name +
                         (data ? std::string() : ": " + data.error()));
    }
    return {};
}

} // namespace

TMyMPQ::TMyMPQ() = default;

TMyMPQ::~TMyMPQ() {
    CloseGameArchives();
}

void TMyMPQ::CloseGameArchives() {
    m_sources.clear();
    m_fallback = {};
}

bool TMyMPQ::IsArchiveOpen(std::size_t index) const {
    return index < m_sources.size() && m_sources[index].source && m_sources[index].source->IsOpen();
}

GameDataSource* TMyMPQ::Source(std::size_t index) {
    if (m_sources.size() < ArchiveList.size()) {
        m_sources.resize(ArchiveList.size());
    }
    Slot& slot = m_sources[index];
    if (ArchiveList[index].empty()) {
        return nullptr;
    }
    if (!slot.source || slot.entry != ArchiveList[index]) {
        slot.entry = ArchiveList[index];
        slot.source = MakeGameDataSource(slot.entry);
    }
    return slot.source.get();
}

GameDataSource* TMyMPQ::Fallback() {
    if (FallbackArchive.empty()) {
        return nullptr;
    }
    if (!m_fallback.source || m_fallback.entry != FallbackArchive) {
        m_fallback.entry = FallbackArchive;
        m_fallback.source = MakeGameDataSource(FallbackArchive);
    }
    return m_fallback.source.get();
}

std::string TMyMPQ::SourceKind(std::size_t index) {
    GameDataSource* source = index < ArchiveList.size() ? Source(index) : nullptr;
    return source ? std::string(source->Kind()) : std::string();
}

std::string TMyMPQ::SourceProblem(std::size_t index) {
    GameDataSource* source = index < ArchiveList.size() ? Source(index) : nullptr;
    return source ? source->Problem() : std::string();
}

std::pair<GameDataSource*, long> TMyMPQ::FindInArchives(std::string_view archivedName) {
    for (std::size_t i = ArchiveList.size(); i-- > 0;) {
        GameDataSource* source = Source(i);
        if (source && source->Contains(archivedName)) {
            return {source, static_cast<long>(i)};
        }
    }
    if (FallbackFor && FallbackFor(archivedName)) {
        if (GameDataSource* fallback = Fallback(); fallback && fallback->Contains(archivedName)) {
            return {fallback, kFallbackSource};
        }
    }
    return {nullptr, -1};
}

bool TMyMPQ::FileExistsInArchives(std::string_view archivedName) {
    return FindInArchives(archivedName).first != nullptr;
}

long TMyMPQ::SourceOf(std::string_view archivedName) {
    return FindInArchives(archivedName).second;
}

std::optional<std::vector<std::uint8_t>> TMyMPQ::Read(std::string_view archivedName, bool streamed) {
    const auto [source, index] = FindInArchives(archivedName);
    if (!source) {
        return std::nullopt;
    }
    if (index == kFallbackSource) {
        DebugLog(std::string(archivedName) + " is not in the game data: using the one of " + FallbackArchive);
    }
    return source->Read(archivedName, streamed);
}

std::vector<std::uint8_t> TMyMPQ::ReadFileToStream(std::string_view archivedName) {
    return Read(archivedName, true).value_or(std::vector<std::uint8_t>{});
}

std::optional<std::vector<std::uint8_t>> TMyMPQ::ReadFileToBuffer(std::string_view archivedName) {
    return Read(archivedName, false);
}

Status TMyMPQ::ExtractFileFromArchive(const std::string& archivePath, std::string_view archivedName,
                                      const std::string& destination) {
    auto archive = MapArchiveReader::Open(archivePath);
    if (!archive) {
        return MakeError(archive.error());
    }
    auto data = archive.value().ReadFile(archivedName);
    if (!data) {
        return MakeError(archivePath + ": " + data.error());
    }
    if (Status written = WriteWholeFile(destination, data.value()); !written) {
        return written;
    }
    DebugLog("Extracted " + std::string(archivedName) + " from MPQ archive " + archivePath);
    return {};
}

Status TMyMPQ::SaveScenarioToArchive(const std::string& archivePath, const std::string& scenarioFile) {
    CloseGameArchives();
    auto scenario = ReadWholeFile(scenarioFile);
    if (!scenario) {
        return MakeError("cannot save into " + archivePath + ": the scenario file " + scenarioFile +
                         " is missing (" + scenario.error() + ")");
    }
    return UpdateArchive(archivePath, m_lastRefused, [&](const std::string& working) -> Status {
        UpdateHandle archive;
        if (Status opened = archive.Open(working, archivePath); !opened) {
            return opened;
        }
        archive.LearnName(kScenarioName);
        const DWORD flags = MPQ_FILE_COMPRESS | (archive.created() ? 0 : MPQ_FILE_REPLACEEXISTING);
        if (!SFileAddFileEx(archive.get(), scenarioFile.c_str(), kScenarioName, flags, MPQ_COMPRESSION_PKWARE,
                            MPQ_COMPRESSION_NEXT_SAME)) {
            return MakeError("cannot store the scenario in " + archivePath + ": " +
                             LastStormError(archive.get()));
        }
        // Compaction reclaims the space of the replaced scenario. The library compacts only
        // archives whose every file name it knows; for the others our own writer rewrites the
        // archive once the library has closed it, carrying the nameless files as they are.
        std::optional<MpqRewriteOptions> rewrite;
        if (!SFileCompactArchive(archive.get(), nullptr, false)) {
            DebugLog("The archive library could not compact " + archivePath + " (" + LastStormError() +
                     "); rewriting it");
            rewrite = MpqRewriteOptions{{kScenarioName}, archive.HeaderOffset(), std::nullopt};
        }
        if (Status closed = archive.Close(archivePath); !closed) {
            return closed;
        }
        if (rewrite) {
            // A failure keeps the archive as the library left it: valid, only larger.
            auto compacted = MpqCompactor::RewriteFile(working, *rewrite);
            if (!compacted) {
                DebugLog("Could not compact " + archivePath + ": " + compacted.error());
            } else {
                DebugLog("Compacted " + archivePath + " from " +
                         std::to_string(compacted.value().sizeBefore) + " to " +
                         std::to_string(compacted.value().sizeAfter) + " bytes");
            }
        }
        return Verify(working, archivePath, kScenarioName, scenario.value().size(), &scenario.value());
    });
}

Status TMyMPQ::AddWavesToArchive(const std::vector<std::string>& names,
                                 const std::vector<std::string>& sources, const std::string& archivePath) {
    if (names.size() != sources.size()) {
        return MakeError("cannot add sounds to " + archivePath + ": names and files do not pair up");
    }
    std::vector<std::uint64_t> sizes;
    for (const std::string& source : sources) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(source, ec);
        if (ec) {
            return MakeError("cannot add the sound " + source + " to " + archivePath + ": " + ec.message());
        }
        sizes.push_back(size);
    }
    return UpdateArchive(archivePath, m_lastRefused, [&](const std::string& working) -> Status {
        UpdateHandle archive;
        if (Status opened = archive.Open(working, archivePath); !opened) {
            return opened;
        }
        if (Status room = MakeRoom(archive, working, archivePath, names); !room) {
            return room;
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            // The medium setting is the game's own sound compression (Huffman over IMA ADPCM);
            // the library's "high" setting stores sounds uncompressed.
            if (!SFileAddWave(archive.get(), sources[i].c_str(), names[i].c_str(),
                              MPQ_FILE_COMPRESS | MPQ_FILE_REPLACEEXISTING, MPQ_WAVE_QUALITY_MEDIUM)) {
                return MakeError("cannot add the sound " + sources[i] + " to " + archivePath + " as " +
                                 names[i] + ": " + LastStormError(archive.get()));
            }
        }
        if (Status closed = archive.Close(archivePath); !closed) {
            return closed;
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (Status stored = Verify(working, archivePath, names[i], sizes[i], nullptr); !stored) {
                return stored;
            }
        }
        return {};
    });
}

Status TMyMPQ::AddFilesToArchive(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& files,
                                 const std::string& archivePath) {
    return UpdateArchive(archivePath, m_lastRefused, [&](const std::string& working) -> Status {
        UpdateHandle archive;
        if (Status opened = archive.Open(working, archivePath); !opened) {
            return opened;
        }
        std::vector<std::string> names;
        for (const auto& file : files) {
            names.push_back(file.first);
        }
        if (Status room = MakeRoom(archive, working, archivePath, names); !room) {
            return room;
        }
        for (const auto& [name, data] : files) {
            HANDLE file = nullptr;
            const auto size = static_cast<DWORD>(data.size());
            const bool ok = SFileCreateFile(archive.get(), name.c_str(), 0, size, 0,
                                            MPQ_FILE_COMPRESS | MPQ_FILE_REPLACEEXISTING, &file) &&
                            (size == 0 || SFileWriteFile(file, data.data(), size, MPQ_COMPRESSION_PKWARE)) &&
                            SFileFinishFile(file);
            if (!ok) {
                return MakeError("cannot store " + name + " in " + archivePath + ": " +
                                 LastStormError(archive.get()));
            }
        }
        if (Status closed = archive.Close(archivePath); !closed) {
            return closed;
        }
        for (const auto& [name, data] : files) {
            if (Status stored = Verify(working, archivePath, name, data.size(), &data); !stored) {
                return stored;
            }
        }
        return {};
    });
}

} // namespace orv
