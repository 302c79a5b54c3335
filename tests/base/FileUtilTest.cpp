#include "base/FileUtil.h"

#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::IsLinkTo;
using test::Names;
using test::Text;

// Points the temporary folder at `folder` for the object's life.
class TmpDirIs {
public:
    explicit TmpDirIs(const fs::path& folder) {
        const char* old = std::getenv("TMPDIR");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TmpDirIs() {
        if (m_old) {
            setenv("TMPDIR", m_old->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

private:
    std::optional<std::string> m_old;
};

// Links planted at the temporary names of a save are covered end to end, through the
// document, by SaveSafety.LinksPlantedAtEveryTemporaryNameNeverRedirectASave.

TEST(CopyFileReplacing, ATargetThatIsALinkStaysALinkAndItsFileIsReplaced) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "maps");
    test::WriteBytes(dir.file("maps/real.scx"), Text("old"));
    test::WriteBytes(dir.file("new.scx"), Text("new"));
    fs::create_symlink("maps/real.scx", dir.path() / "relative.scx");
    fs::create_symlink(dir.path() / "relative.scx", dir.path() / "chain.scx");

    ASSERT_TRUE(CopyFileReplacing(dir.file("new.scx"), dir.file("chain.scx")));
    EXPECT_TRUE(IsLinkTo(dir.path() / "chain.scx", dir.path() / "relative.scx"));
    EXPECT_TRUE(IsLinkTo(dir.path() / "relative.scx", "maps/real.scx"));
    EXPECT_EQ(test::ReadBytes(dir.file("maps/real.scx")), Text("new"));
    EXPECT_EQ(Names(dir.path() / "maps"), std::set<std::string>{"real.scx"});

    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("maps/later.scx", dir.path() / "dangling.scx");
    ASSERT_TRUE(CopyFileReplacing(dir.file("new.scx"), dir.file("dangling.scx")));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.scx"));
    EXPECT_EQ(test::ReadBytes(dir.file("maps/later.scx")), Text("new"));

    fs::create_symlink(dir.path() / "loop-b", dir.path() / "loop-a");
    fs::create_symlink(dir.path() / "loop-a", dir.path() / "loop-b");
    const Status loop = CopyFileReplacing(dir.file("new.scx"), dir.file("loop-a"));
    ASSERT_FALSE(loop);
    EXPECT_NE(loop.error().find(ErrnoText(ELOOP)), std::string::npos) << loop.error();
}

TEST(CopyFileReplacing, KeepsTheModeLeavesNothingBesideAndFailsCleanly) {
    test::TempDir dir;
    test::WriteBytes(dir.file("map.scx"), Text("old"));
    ASSERT_EQ(chmod(dir.file("map.scx").c_str(), 0640), 0);
    const std::vector<std::uint8_t> big = test::Pattern(300000, 3); // several copy steps
    test::WriteBytes(dir.file("new.scx"), big);

    ASSERT_TRUE(CopyFileReplacing(dir.file("new.scx"), dir.file("map.scx")));
    EXPECT_EQ(test::ReadBytes(dir.file("map.scx")), big);
    struct stat info {};
    ASSERT_EQ(stat(dir.file("map.scx").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"map.scx", "new.scx"}));

    const Status missing = CopyFileReplacing(dir.file("none.scx"), dir.file("map.scx"));
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("none.scx: " + ErrnoText(ENOENT)), std::string::npos) << missing.error();
    fs::create_directory(dir.path() / "folder");
    const Status folder = CopyFileReplacing(dir.file("new.scx"), dir.file("folder"));
    ASSERT_FALSE(folder);
    EXPECT_NE(folder.error().find("not a file"), std::string::npos) << folder.error();
    const Status noFolder = CopyFileReplacing(dir.file("new.scx"), dir.file("no/such/map.scx"));
    ASSERT_FALSE(noFolder);
    EXPECT_NE(noFolder.error().find(ErrnoText(ENOENT)), std::string::npos) << noFolder.error();
    EXPECT_EQ(test::ReadBytes(dir.file("map.scx")), big);
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"folder", "map.scx", "new.scx"}));
}

TEST(CopyFileReplacing, RemovesTheCopiesOfKilledRunsButNothingInUseOrNotOurs) {
    test::TempDir dir;
    test::WriteBytes(dir.file("new.scx"), Text("new"));
    const std::string stale = dir.file(".map.scx.orvistad-Stale0000000.tmp");
    const std::string busy = dir.file(".map.scx.orvistad-Busy00000000.tmp");
    const std::string other = dir.file(".other.scx.orvistad-Stale0000000.tmp");
    for (const auto& file : {stale, busy, other}) {
        test::WriteBytes(file, Text("partial"));
    }
    const int held = open(busy.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0); // a run still writing it
    std::string foreign;
    if (geteuid() == 0) {
        foreign = dir.file(".map.scx.orvistad-Foreign0000.tmp");
        test::WriteBytes(foreign, Text("someone else's"));
        ASSERT_EQ(chown(foreign.c_str(), 12345, 12345), 0);
    }

    ASSERT_TRUE(CopyFileReplacing(dir.file("new.scx"), dir.file("map.scx")));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(busy));
    EXPECT_TRUE(fs::exists(other)) << "only copies of this target are looked at";
    if (!foreign.empty()) {
        EXPECT_TRUE(fs::exists(foreign));
    }
    close(held);
}

TEST(CreateExclusiveFile, NeverOpensAnExistingNameOrLink) {
    test::TempDir dir;
    const fs::path victim = dir.path() / "victim";
    test::WriteBytes(victim, Text("victim"));
    std::vector<fs::path> announced;
    SetTemporaryNameHook([&](const fs::path& name) {
        announced.push_back(name);
        if (announced.size() < 4) {
            fs::create_symlink(victim, name);
        }
    });
    auto created = CreateExclusiveFile(dir.path(), "work-", ".scx");
    SetTemporaryNameHook(nullptr);
    ASSERT_TRUE(created) << created.error();
    ASSERT_EQ(announced.size(), 4u);
    EXPECT_EQ(created.value().path, announced.back());
    EXPECT_TRUE(created.value().path.filename().string().starts_with("work-"));
    EXPECT_EQ(created.value().path.filename().string().size(), std::string("work-").size() + 12 + 4);
    ASSERT_EQ(write(created.value().fd.get(), "x", 1), 1);
    struct stat info {};
    ASSERT_EQ(lstat(created.value().path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(test::ReadBytes(victim), Text("victim"));

    // Copies into a new file refuse every existing name, links included.
    fs::create_symlink(victim, dir.path() / "copy");
    EXPECT_FALSE(CopyToNewFile(created.value().path, dir.path() / "copy"));
    EXPECT_EQ(test::ReadBytes(victim), Text("victim"));
}

// A process id that no process has: a child that has exited and been reaped.
pid_t DeadPid() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

// Whether another process sees the file locked.
bool LockedForOthers(const fs::path& file) {
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(file.c_str(), O_RDONLY);
        _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void MakeOwnedFolder(const fs::path& folder, pid_t pid) {
    fs::create_directories(folder);
    test::WriteBytes(folder / PrivateFolder::kOwnerFile, Text(std::to_string(pid) + "\n"));
}

TEST(PrivateFolder, IsPrivateLockedWhileInUseAndRemovedWithEverything) {
    test::TempDir dir;
    TmpDirIs tmp(dir.path());
    fs::path path;
    {
        auto made = PrivateFolder::Make(OurFolderPrefix() + "map-");
        ASSERT_TRUE(made) << made.error();
        path = made.value().path();
        EXPECT_EQ(path.parent_path(), dir.path());
        EXPECT_TRUE(path.filename().string().starts_with(OurFolderPrefix() + "map-" +
                                                         std::to_string(getpid()) + "-"));
        struct stat info {};
        ASSERT_EQ(lstat(path.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_EQ(test::ReadBytes(path / PrivateFolder::kOwnerFile), Text(std::to_string(getpid()) + "\n"));
        EXPECT_TRUE(LockedForOthers(path / PrivateFolder::kOwnerFile)) << "locked while the folder lives";
        EXPECT_EQ(RemoveStalePrivateFolders(dir.path()), 0u);
        fs::create_directories(path / "sub" / "deeper");
        test::WriteBytes(path / "sub" / "deeper" / "file", Text("x"));
        PrivateFolder moved = std::move(made).value();
        EXPECT_EQ(moved.path(), path);
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST(PrivateFolder, TheSweepRemovesOnlyThisUsersFoldersWhoseOwnerIsGone) {
    test::TempDir dir;
    TmpDirIs tmp(dir.path());
    const std::string prefix = OurFolderPrefix();
    const fs::path outside = dir.path() / "outside";
    fs::create_directories(outside / "keep");
    test::WriteBytes(outside / "keep" / "file", Text("keep"));
    MakeOwnedFolder(outside, DeadPid()); // looks abandoned, but is reached only through a link

    // Killed: an owner file nobody holds, with a link inside that must not be followed.
    const fs::path killed = dir.path() / (prefix + "map-killed");
    MakeOwnedFolder(killed, DeadPid());
    fs::create_directories(killed / "sub");
    test::WriteBytes(killed / "sub" / "work.scx", Text("work"));
    fs::create_directory_symlink(outside, killed / "sub" / "link");
    fs::create_symlink(outside / "keep" / "file", killed / "file-link");
    // Old and young folders without an owner file.
    const fs::path ancient = dir.path() / (prefix + "save-ancient");
    const fs::path young = dir.path() / (prefix + "save-young");
    fs::create_directories(ancient);
    fs::create_directories(young);
    const timespec times[2] = {{time(nullptr) - 3 * 24 * 3600, 0}, {time(nullptr) - 3 * 24 * 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, ancient.c_str(), times, 0), 0);
    // A link that carries our prefix, another program's folder and another user's.
    fs::create_directory_symlink(outside, dir.path() / (prefix + "map-link"));
    const fs::path otherProgram = dir.path() / "orvistad-test-abandoned";
    MakeOwnedFolder(otherProgram, DeadPid());
    fs::path foreign;
    if (geteuid() == 0) {
        foreign = dir.path() / (prefix + "map-foreign");
        MakeOwnedFolder(foreign, DeadPid());
        ASSERT_EQ(chown(foreign.c_str(), 12345, 12345), 0);
    }
    // A folder whose owner (another process) still runs and holds the lock.
    const fs::path running = dir.path() / (prefix + "map-running");
    MakeOwnedFolder(running, getpid());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t owner = fork();
    if (owner == 0) {
        const int fd = open((running / PrivateFolder::kOwnerFile).c_str(), O_RDONLY);
        flock(fd, LOCK_EX);
        (void)!write(ready[1], "r", 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    close(ready[1]);
    // Folders caught before their owner file was written: the process in the name decides.
    const fs::path deadNamed = dir.path() / (prefix + "save-" + std::to_string(DeadPid()) + "-abc");
    const fs::path liveNamed = dir.path() / (prefix + "save-" + std::to_string(owner) + "-abc");
    fs::create_directories(deadNamed);
    fs::create_directories(liveNamed);
    auto live = PrivateFolder::Make(prefix + "save-");
    ASSERT_TRUE(live) << live.error();

    EXPECT_EQ(RemoveStalePrivateFolders(), 3u);
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_FALSE(fs::exists(deadNamed));
    EXPECT_TRUE(fs::exists(liveNamed));
    EXPECT_FALSE(fs::exists(ancient));
    EXPECT_TRUE(fs::exists(young));
    EXPECT_TRUE(fs::is_symlink(dir.path() / (prefix + "map-link")));
    EXPECT_EQ(test::ReadBytes(outside / "keep" / "file"), Text("keep"));
    EXPECT_TRUE(fs::exists(outside / PrivateFolder::kOwnerFile));
    EXPECT_TRUE(fs::exists(otherProgram));
    if (!foreign.empty()) {
        EXPECT_TRUE(fs::exists(foreign));
    }
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(live.value().path()));

    // Once its owner is gone, the next sweep takes it.
    kill(owner, SIGKILL);
    waitpid(owner, nullptr, 0);
    EXPECT_EQ(RemoveStalePrivateFolders(), 2u);
    EXPECT_FALSE(fs::exists(running));
    EXPECT_FALSE(fs::exists(liveNamed));
    EXPECT_TRUE(fs::exists(live.value().path()));
}

// A child closes its copy of the owner file as it starts; files it opens later under the
// same number stay open in its own children.
TEST(PrivateFolder, FilesOfAChildSurviveInItsChildren) {
    test::TempDir dir;
    TmpDirIs tmp(dir.path());
    auto folder = PrivateFolder::Make(OurFolderPrefix() + "save-");
    ASSERT_TRUE(folder) << folder.error();
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open("/dev/null", O_RDONLY); // takes the lowest free number
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            _exit(fcntl(fd, F_GETFD) == -1 ? 1 : 0);
        }
        int status = 0;
        waitpid(grandchild, &status, 0);
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A child process (as the archive library runs in) that outlives the program must not keep
// the program's folder alive.
TEST(PrivateFolder, IsFreeOnceItsProgramDiesEvenWhileAChildLivesOn) {
    test::TempDir dir;
    TmpDirIs tmp(dir.path());
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t program = fork();
    if (program == 0) {
        auto folder = PrivateFolder::Make(OurFolderPrefix() + "map-");
        if (fork() == 0) { // the child reports once it runs
            const std::string report =
                std::to_string(getpid()) + " " + (folder ? folder.value().path().string() : "");
            (void)!write(channel[1], report.data(), report.size());
            pause();
            _exit(0);
        }
        pause();
        _exit(0);
    }
    close(channel[1]);
    char text[4096] = {};
    ASSERT_GT(read(channel[0], text, sizeof text - 1), 0);
    close(channel[0]);
    const std::string report = text;
    const pid_t worker = static_cast<pid_t>(std::stol(report));
    const fs::path path = report.substr(report.find(' ') + 1);
    ASSERT_TRUE(fs::exists(path)) << report;
    EXPECT_EQ(RemoveStalePrivateFolders(), 0u);
    kill(program, SIGKILL);
    waitpid(program, nullptr, 0);
    ASSERT_EQ(kill(worker, 0), 0) << "the child lives on";
    EXPECT_EQ(RemoveStalePrivateFolders(), 1u);
    EXPECT_FALSE(fs::exists(path));
    kill(worker, SIGKILL);
}

} // namespace
} // namespace orv
