#include "app/MapDocument.h"
#include "app/MapSave.h"
#include "archive/MapArchiveReader.h"
#include "base/FileUtil.h"
#include "support/MpqBuilder.h"
#include "support/OurMaps.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"

#include <StormLib.h>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <sched.h>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orv {
namespace {

namespace fs = std::filesystem;

TGameData& Game() {
    return test::StandinGameData();
}

using test::IsLinkTo;
using test::Names;
using test::Text;

// This user's private folders in `folder`.
std::set<std::string> OurFolders(const fs::path& folder) {
    std::set<std::string> found;
    for (const std::string& name : Names(folder)) {
        if (name.starts_with(OurFolderPrefix())) {
            found.insert(name);
        }
    }
    return found;
}

// A scratch folder whose "tmp" is the temporary folder for the object's life.
class ScratchWithTmp {
public:
    ScratchWithTmp() {
        fs::create_directory(tmp);
        const char* old = std::getenv("TMPDIR");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("TMPDIR", tmp.c_str(), 1);
    }
    ~ScratchWithTmp() {
        if (m_old) {
            setenv("TMPDIR", m_old->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

    test::TempDir dir;
    const fs::path tmp = dir.path() / "tmp";

private:
    std::optional<std::string> m_old;
};

std::vector<std::uint8_t> ScenarioOf(const fs::path& archive) {
    auto reader = MapArchiveReader::Open(archive);
    if (!reader) {
        return {};
    }
    auto scenario = reader.value().ReadFile(TMyMPQ::kScenarioName);
    return scenario ? scenario.value() : std::vector<std::uint8_t>{};
}

std::size_t UnitsIn(const fs::path& map) {
    test::RecordingPrompter prompter;
    auto doc = TMapDocument::Open(map.string(), Game(), prompter);
    return doc ? doc.value()->Chk.Units.size() : 0;
}

// A protected map: an archive the library refuses to open for writing (tables before the
// header, reached through negative offsets, and a hash entry pointing past the block table),
// holding our map's scenario and a file whose (listfile) name is written with '/'.
std::vector<std::uint8_t> ProtectedMap(const std::vector<std::uint8_t>& scenario,
                                       const std::vector<std::uint8_t>& notes) {
    test::MpqBuilder builder;
    builder.prefix = 4096;
    builder.tablesBeforeHeader = true;
    builder.AddFile(TMyMPQ::kScenarioName, scenario);
    builder.AddFile("staredit\\notes\\read me.txt", notes);
    builder.AddFile("(listfile)", Text("staredit\\scenario.chk\r\nstaredit/notes/read me.txt\r\n"));
    builder.SetRawHash(15, {0x12345678, 0x9ABCDEF0, 0, 0, 900});
    return builder.Build();
}

// Plants a link at each temporary name the program announces, every other time, so that it
// must pick another name: files beside the target point at a victim file, folders in the
// temporary folder at a victim folder.
class LinkPlanter {
public:
    LinkPlanter(fs::path victimFile, fs::path victimFolder)
        : m_file(std::move(victimFile)), m_folder(std::move(victimFolder)) {
        SetTemporaryNameHook([this](const fs::path& name) {
            if (m_count++ % 2 != 0) {
                return;
            }
            std::error_code ec;
            const bool folder = name.filename().string().starts_with(OurFolderPrefix());
            fs::create_symlink(folder ? m_folder : m_file, name, ec);
            if (!ec) {
                planted.emplace_back(name, folder ? m_folder : m_file);
            }
        });
    }
    ~LinkPlanter() { SetTemporaryNameHook(nullptr); }
    LinkPlanter(const LinkPlanter&) = delete;
    LinkPlanter& operator=(const LinkPlanter&) = delete;

    std::vector<std::pair<fs::path, fs::path>> planted; // link, target

private:
    fs::path m_file, m_folder;
    int m_count = 0;
};

TEST(SaveSafety, LinksPlantedAtEveryTemporaryNameNeverRedirectASave) {
    ScratchWithTmp scratch;
    const fs::path maps = scratch.dir.path() / "maps";
    fs::create_directory(maps);
    const fs::path victim = scratch.dir.path() / "victim.txt";
    const fs::path victimFolder = scratch.dir.path() / "victim-folder";
    fs::create_directory(victimFolder);
    test::WriteBytes(victim, Text("victim"));
    test::WriteBytes(victimFolder / "kept.txt", Text("kept"));
    const fs::path map = maps / "ours.scx";
    test::WriteOurMap(map.string());
    const auto scenario = ScenarioOf(map);
    const fs::path guarded = maps / "guarded.scx";
    test::WriteBytes(guarded, ProtectedMap(scenario, Text("notes")));
    // The fixed names earlier versions and the archive library used beside a map.
    for (const fs::path& target : {map, guarded}) {
        for (const char* tail : {".orvistad-part", ".new", ".tmp"}) {
            fs::create_symlink(victim, target.string() + tail);
        }
    }
    const std::set<std::string> before = Names(maps);
    {
        LinkPlanter planter(victim, victimFolder);
        test::RecordingPrompter prompter;
        auto doc = TMapDocument::Open(map.string(), Game(), prompter);
        ASSERT_TRUE(doc) << doc.error();
        doc.value()->Chk.AddUnit(640, 640, 2, 0);
        auto saved = doc.value()->Save(map.string());
        ASSERT_TRUE(saved) << saved.error();
        auto savedAs = doc.value()->Save((maps / "copy.scx").string());
        ASSERT_TRUE(savedAs) << savedAs.error();

        auto guardedDoc = TMapDocument::Open(guarded.string(), Game(), prompter);
        ASSERT_TRUE(guardedDoc) << guardedDoc.error();
        auto rebuilt = guardedDoc.value()->Save(guarded.string());
        ASSERT_TRUE(rebuilt) << rebuilt.error();
        EXPECT_TRUE(rebuilt.value().rebuilt);

        TCHK fresh(prompter, &Game().UnitsDat);
        fresh.NewMap(2, 4, 32, 32, &Game().Tileset(4));
        auto created = SaveMap(Game().Archives, fresh, std::string(), (maps / "new.scx").string());
        ASSERT_TRUE(created) << created.error();

        std::size_t beside = 0, folders = 0;
        for (const auto& [link, target] : planter.planted) {
            // Links planted inside our private folders (which nobody else can do) went with them.
            if (link.parent_path() == maps || link.parent_path() == scratch.tmp) {
                EXPECT_TRUE(IsLinkTo(link, target)) << link;
            }
            beside += link.parent_path() == maps;
            folders += link.parent_path() == scratch.tmp;
        }
        EXPECT_GT(beside, 0u);
        EXPECT_GT(folders, 0u);
        doc.value().reset();
        guardedDoc.value().reset();
        for (const auto& [link, target] : planter.planted) {
            fs::remove(link);
        }
    }
    EXPECT_EQ(test::ReadBytes(victim), Text("victim"));
    EXPECT_EQ(Names(victimFolder), std::set<std::string>{"kept.txt"});
    for (const fs::path& saved : {map, maps / "copy.scx", guarded, maps / "new.scx"}) {
        EXPECT_FALSE(fs::is_symlink(saved)) << saved;
        EXPECT_FALSE(ScenarioOf(saved).empty()) << saved;
    }
    EXPECT_EQ(UnitsIn(map), 3u);
    std::set<std::string> expected = before;
    expected.insert({"copy.scx", "new.scx"});
    EXPECT_EQ(Names(maps), expected);
    EXPECT_TRUE(OurFolders(scratch.tmp).empty());
}

TEST(SaveSafety, SavingThroughALinkWritesTheFileItPointsToAndKeepsTheLink) {
    ScratchWithTmp scratch;
    const fs::path maps = scratch.dir.path() / "maps";
    fs::create_directories(maps / "real");
    test::WriteOurMap((maps / "real" / "ours.scx").string());
    fs::create_symlink("real/ours.scx", maps / "link.scx");

    test::RecordingPrompter prompter;
    auto doc = TMapDocument::Open((maps / "link.scx").string(), Game(), prompter);
    ASSERT_TRUE(doc) << doc.error();
    doc.value()->Chk.AddUnit(640, 640, 2, 0);
    auto saved = doc.value()->Save((maps / "link.scx").string());
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_TRUE(IsLinkTo(maps / "link.scx", "real/ours.scx"));
    EXPECT_EQ(UnitsIn(maps / "real" / "ours.scx"), 3u);
    EXPECT_EQ(Names(maps / "real"), std::set<std::string>{"ours.scx"});

    // A new map saved through a link to a file that does not exist yet.
    fs::create_symlink(maps / "real" / "new.scx", maps / "new-link.scx");
    TCHK fresh(prompter, &Game().UnitsDat);
    fresh.NewMap(2, 4, 32, 32, &Game().Tileset(4));
    auto created = SaveMap(Game().Archives, fresh, std::string(), (maps / "new-link.scx").string());
    ASSERT_TRUE(created) << created.error();
    EXPECT_TRUE(fs::is_symlink(maps / "new-link.scx"));
    EXPECT_FALSE(ScenarioOf(maps / "real" / "new.scx").empty());
}

// A protected map whose (listfile) writes a name with '/': the name the game reads is the
// one with '\', and the map saves under that name, readable both ways.
TEST(SaveSafety, AProtectedMapWithASlashInItsListfileSavesAndReadsBack) {
    ScratchWithTmp scratch;
    const fs::path ours = scratch.dir.path() / "ours.scx";
    test::WriteOurMap(ours.string());
    const auto notes = test::Pattern(3000, 4);
    const fs::path map = scratch.dir.path() / "guarded.scx";
    test::WriteBytes(map, ProtectedMap(ScenarioOf(ours), notes));

    TMyMPQ probe;
    test::WriteBytes(scratch.dir.path() / "scenario.chk", ScenarioOf(ours));
    const fs::path copy = scratch.dir.path() / "probe.scx";
    fs::copy_file(map, copy);
    ASSERT_FALSE(probe.SaveScenarioToArchive(copy.string(), (scratch.dir.path() / "scenario.chk").string()));
    EXPECT_TRUE(probe.LastUpdateRefused()) << "the fixture must be one the library will not write";
    ASSERT_TRUE(probe.SaveScenarioToArchive((scratch.dir.path() / "plain.scx").string(),
                                            (scratch.dir.path() / "scenario.chk").string()));
    EXPECT_FALSE(probe.LastUpdateRefused());

    test::RecordingPrompter prompter;
    auto doc = TMapDocument::Open(map.string(), Game(), prompter);
    ASSERT_TRUE(doc) << doc.error();
    doc.value()->Chk.AddUnit(640, 640, 2, 0);
    auto saved = doc.value()->Save(map.string());
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_TRUE(saved.value().rebuilt);
    EXPECT_EQ(saved.value().carried, 1u);
    EXPECT_EQ(CarriedFileName("staredit/notes/read me.txt"), "staredit\\notes\\read me.txt");

    auto reader = MapArchiveReader::Open(map);
    ASSERT_TRUE(reader) << reader.error();
    for (const char* name : {"staredit\\notes\\read me.txt", "staredit/notes/read me.txt"}) {
        auto read = reader.value().ReadFile(name);
        ASSERT_TRUE(read) << name << ": " << read.error();
        EXPECT_EQ(read.value(), notes);
    }
    // The archive library finds it under the game's name as well.
    HANDLE archive = nullptr;
    ASSERT_TRUE(SFileOpenArchive(map.c_str(), 0, STREAM_FLAG_READ_ONLY, &archive));
    EXPECT_TRUE(SFileHasFile(archive, "staredit\\notes\\read me.txt"));
    SFileCloseArchive(archive);
    EXPECT_EQ(UnitsIn(map), 3u);
    // Saved again, the rebuilt map is one the library updates in place.
    doc.value()->Chk.AddUnit(700, 700, 2, 0);
    auto again = doc.value()->Save(map.string());
    ASSERT_TRUE(again) << again.error();
    EXPECT_FALSE(again.value().rebuilt);
    EXPECT_EQ(MapArchiveReader::Open(map).value().ReadFile("staredit\\notes\\read me.txt").value(), notes);
}

// Runs `body` in a child process with a small, full file system at `disk`: a tmpfs mounted
// in a mount namespace of its own where the system allows it, else a file size limit (which
// fails writes with "File too large" rather than "No space left on device"). `body` gets the
// error number writes fail with and returns what went wrong ("" when nothing did).
std::string InChildWithFullDisk(const fs::path& disk, const std::function<std::string(int)>& body) {
    int channel[2];
    if (pipe(channel) != 0) {
        return "no pipe";
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        int error = ENOSPC;
        const bool mounted = unshare(CLONE_NEWNS) == 0 &&
                             mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                             mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=2m,mode=0700") == 0;
        if (!mounted) {
            error = EFBIG;
            signal(SIGXFSZ, SIG_IGN);
        }
        const std::string result = body(error);
        (void)!write(channel[1], result.data(), result.size());
        _exit(0);
    }
    close(channel[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<std::size_t>(n));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status)) {
        return "the child process died: " + result;
    }
    return result;
}

// Fills the file system of `folder` with 4 KiB files until nothing more fits, or, without a
// file system of our own, limits file sizes to `limit` bytes from now on.
std::vector<fs::path> FillDisk(const fs::path& folder, int error, rlim_t limit) {
    std::vector<fs::path> fillers;
    if (error == EFBIG) {
        const rlimit size{limit, limit};
        setrlimit(RLIMIT_FSIZE, &size);
        return fillers;
    }
    const std::vector<char> page(4096, 'x');
    for (int i = 0;; ++i) {
        const fs::path filler = folder / ("filler-" + std::to_string(i));
        const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) {
            break;
        }
        const bool full = write(fd, page.data(), page.size()) != static_cast<ssize_t>(page.size());
        close(fd);
        fillers.push_back(filler);
        if (full) {
            break;
        }
    }
    return fillers;
}

std::string Check(bool ok, const std::string& what) {
    return ok ? std::string() : what + "\n";
}

// What a message about a full disk must and must not say.
std::string CheckMessage(const std::string& message, int error) {
    std::string wrong = Check(message.find(ErrnoText(error)) != std::string::npos, "no cause in: " + message);
    for (const char* misleading :
         {"Input/output error", ": Success", "read-only or protected", "writing a new archive"}) {
        wrong += Check(message.find(misleading) == std::string::npos,
                       "'" + std::string(misleading) + "' in: " + message);
    }
    return wrong;
}

TEST(SaveSafety, AFullDiskIsNamedAndLeavesTheMapAsItWas) {
    test::TempDir dir;
    const fs::path disk = dir.path() / "disk";
    const fs::path elsewhere = dir.path() / "elsewhere";
    fs::create_directories(disk);
    fs::create_directories(elsewhere / "tmp");
    test::WriteOurMap((elsewhere / "ours.scx").string());
    Game(); // loaded before the child starts

    // The map's own disk is full.
    std::string wrong = InChildWithFullDisk(disk, [&](int error) {
        setenv("TMPDIR", (elsewhere / "tmp").c_str(), 1);
        const fs::path map = disk / "ours.scx";
        fs::copy_file(elsewhere / "ours.scx", map);
        const auto before = test::ReadBytes(map);
        test::RecordingPrompter prompter;
        auto doc = TMapDocument::Open(map.string(), Game(), prompter);
        if (!doc) {
            return "cannot open: " + doc.error();
        }
        doc.value()->Chk.AddUnit(640, 640, 2, 0);
        const auto fillers = FillDisk(disk, error, before.size() / 2);
        auto saved = doc.value()->Save(map.string());
        std::string result = Check(!saved, "the save worked");
        if (!saved) {
            result += CheckMessage(saved.error(), error);
            result +=
                Check(saved.error().find("The map file was not changed") != std::string::npos, saved.error());
        }
        TCHK fresh(prompter, &Game().UnitsDat);
        fresh.NewMap(2, 4, 32, 32, &Game().Tileset(4));
        auto created = SaveMap(Game().Archives, fresh, std::string(), (disk / "new.scx").string());
        result += Check(!created, "the new map was saved");
        if (!created) {
            result += CheckMessage(created.error(), error);
        }
        for (const fs::path& filler : fillers) {
            fs::remove(filler);
        }
        result += Check(test::ReadBytes(map) == before, "the map changed");
        result += Check(Names(disk) == std::set<std::string>{"ours.scx"}, "files left beside the map");
        return result;
    });
    EXPECT_EQ(wrong, "");

    // The temporary folder's disk is full; the map's is not.
    wrong = InChildWithFullDisk(disk, [&](int error) {
        fs::create_directories(disk / "tmp");
        setenv("TMPDIR", (disk / "tmp").c_str(), 1);
        const fs::path map = elsewhere / "ours.scx";
        const auto before = test::ReadBytes(map);
        test::RecordingPrompter prompter;
        auto doc = TMapDocument::Open(map.string(), Game(), prompter);
        if (!doc) {
            return "cannot open: " + doc.error();
        }
        doc.value()->Chk.AddUnit(640, 640, 2, 0);
        const auto fillers = FillDisk(disk, error, 1000);
        auto saved = doc.value()->Save(map.string());
        std::string result = Check(!saved, "the save worked");
        if (!saved) {
            result += CheckMessage(saved.error(), error);
        }
        for (const fs::path& filler : fillers) {
            fs::remove(filler);
        }
        result += Check(test::ReadBytes(map) == before, "the map changed");
        doc.value().reset();
        result += Check(OurFolders(disk / "tmp").empty(), "folders left in the temporary folder");
        return result;
    });
    EXPECT_EQ(wrong, "");
}

// The archive library itself runs out of room while it writes: a failure like any other, not
// a reason to write the archive anew.
TEST(SaveSafety, TheLibraryRunningOutOfRoomIsNoReasonToRebuild) {
    test::TempDir dir;
    const fs::path disk = dir.path() / "disk";
    fs::create_directories(disk);
    const fs::path map = dir.path() / "ours.scx";
    test::WriteOurMap(map.string(), 128);
    Game();
    const std::string wrong = InChildWithFullDisk(disk, [&](int error) -> std::string {
        if (error != ENOSPC) {
            return "skip: needs a small file system of its own, and mounting one was not allowed here";
        }
        fs::create_directories(disk / "tmp");
        setenv("TMPDIR", (disk / "tmp").c_str(), 1);
        const auto before = test::ReadBytes(map);
        test::RecordingPrompter prompter;
        auto doc = TMapDocument::Open(map.string(), Game(), prompter);
        if (!doc) {
            return "cannot open: " + doc.error();
        }
        // A section of noise makes a scenario that packs into nothing like the room left.
        std::mt19937 noise(9);
        std::vector<std::uint8_t> bytes(200000);
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(noise());
        }
        doc.value()->Chk.KeptSections.push_back({{'N', 'O', 'I', 'S'}, bytes});
        auto scenario = doc.value()->Chk.WriteToBytes();
        auto pages = [](std::size_t size) { return (size + 4095) / 4096; };
        // Room for two owner files, the scenario and two copies of the archive, no more.
        const std::size_t room = 2 + pages(scenario.value().size()) + 2 * pages(before.size());
        auto fillers = FillDisk(disk, error, 0);
        if (fillers.size() < room + 1) {
            return "the disk is too small for the test";
        }
        for (std::size_t i = 0; i < room + 1; ++i) { // the last filler holds less than a page
            fs::remove(fillers.back());
            fillers.pop_back();
        }
        auto saved = doc.value()->Save(map.string());
        std::string result = Check(!saved, "the save worked");
        if (!saved) {
            result += CheckMessage(saved.error(), error);
        }
        for (const std::string& message : prompter.messages) {
            result += Check(message.find("protected archive") == std::string::npos,
                            "told of a rebuild: " + message);
        }
        result += Check(test::ReadBytes(map) == before, "the map changed");
        return result;
    });
    if (wrong.starts_with("skip: ")) {
        GTEST_SKIP() << wrong.substr(6);
    }
    EXPECT_EQ(wrong, "");
}

// Starts orvistad-cli with `args`, its temporary folder `tmp`, output thrown away.
pid_t StartCli(const std::vector<std::string>& args, const fs::path& tmp) {
    std::vector<std::string> all = {ORVISTAD_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> env = {"TMPDIR=" + tmp.string(), "QT_QPA_PLATFORM=offscreen",
                                    "HOME=" + tmp.string(), "XDG_STATE_HOME=" + tmp.string(),
                                    "XDG_CONFIG_HOME=" + tmp.string()};
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

TEST(SaveSafety, AKilledResaveLeavesTheOldOrTheNewMapAndTheNextRunCleansUp) {
    test::TempDir dir;
    const fs::path tmp = dir.path() / "tmp";
    const fs::path maps = dir.path() / "maps";
    fs::create_directories(tmp);
    fs::create_directories(maps);
    const fs::path in = maps / "in.scx";
    const fs::path out = maps / "out.scx";
    test::WriteOurMap(in.string(), 128);
    test::WriteOurMap(out.string(), 32);
    const auto old = test::ReadBytes(out);

    // What a whole run writes, and how long it takes.
    const fs::path reference = dir.path() / "reference.scx";
    const auto start = std::chrono::steady_clock::now();
    const pid_t first = StartCli({"resave", in.string(), reference.string(), "--standin"}, tmp);
    ASSERT_GT(first, 0);
    const int firstStatus = Wait(first);
    ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
    const auto runTime = std::chrono::steady_clock::now() - start;
    const auto complete = test::ReadBytes(reference);
    ASSERT_FALSE(ScenarioOf(reference).empty());

    std::mt19937 random(20240611);
    std::uniform_int_distribution<long long> delay(
        0, std::chrono::duration_cast<std::chrono::microseconds>(runTime).count() * 5 / 4);
    int sawOld = 0, sawNew = 0;
    for (int run = 0; run < 30; ++run) {
        test::WriteBytes(out, old);
        const pid_t pid = StartCli({"resave", in.string(), out.string(), "--standin"}, tmp);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        kill(pid, SIGKILL);
        Wait(pid);
        const auto now = test::ReadBytes(out);
        ASSERT_TRUE(now == old || now == complete)
            << "run " << run << ": out.scx is neither the old nor the new map";
        sawOld += now == old;
        sawNew += now == complete;
    }
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);

    const pid_t last = StartCli({"resave", in.string(), out.string(), "--standin"}, tmp);
    ASSERT_GT(last, 0);
    const int lastStatus = Wait(last);
    ASSERT_TRUE(WIFEXITED(lastStatus) && WEXITSTATUS(lastStatus) == 0);
    EXPECT_EQ(test::ReadBytes(out), complete);
    EXPECT_EQ(Names(maps), (std::set<std::string>{"in.scx", "out.scx"}));
    EXPECT_TRUE(OurFolders(tmp).empty()) << "folders of killed runs are removed by the next run";
}

} // namespace
} // namespace orv
