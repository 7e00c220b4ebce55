// Where `cadentra copy` writes: symbolic links are followed and stay links, files that are not
// regular files are refused and left as they were, permissions are kept, and a write that fails
// leaves everything as it was and says so.
#include "CliSupport.h"

#include "cli/AtomicFile.h"
#include "cli/Commands.h"
#include "cli/musicxml/SourceText.h"

#include <gtest/gtest.h>

#include <csignal>
#include <iterator>
#include <filesystem>
#include <grp.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace cadentra_cli;
using cli_test::Cadentra;
using cli_test::Holds;
using cli_test::Outcome;
namespace fs = std::filesystem;

namespace {

/// The exit code of a child that could not become the unprivileged user.
constexpr int CANNOT_DROP_PRIVILEGES = 99;

/// Runs a command line in a child process. `unprivileged`: as the user "nobody" when this process
/// is root (for whom no folder is read-only). `largestFile`: the largest file the child may write
/// (0: no limit); a write past it fails with EFBIG, as on a full disk.
Outcome RunInChild(const std::vector<std::string>& arguments, bool unprivileged,
                   rlim_t largestFile = 0) {
    int channel[2];
    if (pipe(channel) != 0) return Outcome{-1, "", "pipe failed"};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(CANNOT_DROP_PRIVILEGES);
        if (largestFile) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{largestFile, largestFile};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(CANNOT_DROP_PRIVILEGES);
        }
        std::ostringstream out, err;
        const int code = RunCommandLine(arguments, out, err);
        const std::string message = out.str() + '\0' + err.str();
        size_t sent = 0;
        while (sent < message.size()) {
            const ssize_t n = write(channel[1], message.data() + sent, message.size() - sent);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        _exit(code);
    }
    close(channel[1]);
    std::string message;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, static_cast<size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const size_t split = message.find('\0');
    return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, message.substr(0, split),
                   split == std::string::npos ? "" : message.substr(split + 1)};
}

/// How many files a folder holds (hidden ones too).
long Entries(const std::string& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

fs::perms Permissions(const std::string& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

/// The score of the test folder, and the arguments of a copy that changes it (the flute's
/// rhythm onto the violin).
class OutputFile : public ::testing::Test {
protected:
    OutputFile()
        : score_(folder_.File("score.musicxml")),
          original_(
              cli_test::ReadFile(std::string(CADENTRA_TEST_SCORES) + "/flute-violin.musicxml")) {
        cli_test::WriteFile(score_, original_);
    }

    std::vector<std::string> Copy(const std::string& score, std::vector<std::string> more) const {
        std::vector<std::string> arguments{"copy", score, "--source", "Flute", "--to", "Violin@1"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }
    /// What a copy to a plain file writes.
    std::string Expected() const {
        const std::string path = folder_.File("expected.musicxml");
        EXPECT_EQ(Cadentra(Copy(score_, {"-o", path})).code, EXIT_DONE);
        std::string bytes = cli_test::ReadFile(path);
        fs::remove(path);
        EXPECT_NE(bytes, original_);
        return bytes;
    }

    cli_test::TemporaryFolder folder_;
    std::string score_;
    std::string original_;
};

/// The last line of a report.
std::string LastLine(const std::string& report) {
    const size_t end = report.find_last_not_of('\n');
    if (end == std::string::npos) return "";
    const size_t start = report.rfind('\n', end);
    return report.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

} // namespace

TEST_F(OutputFile, ASymbolicLinkAsTheOutputStaysAndTheFileItNamesIsReplaced) {
    const std::string expected = Expected();
    fs::create_directory(folder_.File("real"));
    const std::string target = folder_.File("real/target.musicxml");
    cli_test::WriteFile(target, "old");
    fs::permissions(target, fs::perms(0640));
    const std::string link = folder_.File("link.musicxml");
    fs::create_symlink("real/target.musicxml", link);
    const std::string second = folder_.File("second.musicxml"); // a link to the link
    fs::create_symlink(link, second);

    for (const std::string& output : {link, second}) {
        SCOPED_TRACE(output);
        cli_test::WriteFile(target, "old");
        const Outcome run = Cadentra(Copy(score_, {"-o", output}));
        ASSERT_EQ(run.code, EXIT_DONE) << run.err;
        EXPECT_EQ(LastLine(run.out), "Written to " + output);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), "real/target.musicxml");
        EXPECT_TRUE(fs::is_symlink(second));
        EXPECT_EQ(cli_test::ReadFile(target), expected);
        EXPECT_EQ(Permissions(target), fs::perms(0640));
    }
    // A link to a file that is not there yet makes that file.
    const std::string dangling = folder_.File("dangling.musicxml");
    fs::create_symlink("real/new.musicxml", dangling);
    ASSERT_EQ(Cadentra(Copy(score_, {"-o", dangling})).code, EXIT_DONE);
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(cli_test::ReadFile(folder_.File("real/new.musicxml")), expected);
    // No temporary file is left beside the links or their files.
    EXPECT_EQ(folder_.Names(),
              (std::vector<std::string>{"dangling.musicxml", "link.musicxml", "real",
                                        "score.musicxml", "second.musicxml"}));
    EXPECT_EQ(Entries(folder_.File("real")), 2);
}

TEST_F(OutputFile, InPlaceOnASymbolicLinkReplacesTheScoreItNames) {
    const std::string expected = Expected();
    fs::create_directory(folder_.File("scores"));
    const std::string real = folder_.File("scores/real.musicxml");
    fs::rename(score_, real);
    fs::permissions(real, fs::perms(0604));
    fs::create_symlink(real, score_); // an absolute link this time
    const Outcome run = Cadentra(Copy(score_, {"--in-place"}));
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    EXPECT_TRUE(fs::is_symlink(score_));
    EXPECT_EQ(fs::read_symlink(score_), real);
    EXPECT_EQ(cli_test::ReadFile(real), expected);
    EXPECT_EQ(Permissions(real), fs::perms(0604));
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"score.musicxml", "scores"}));
    EXPECT_EQ(Entries(folder_.File("scores")), 1);
}

TEST_F(OutputFile, AnExistingOutputKeepsItsPermissionsAndANewOneFollowsTheUmask) {
    const std::string existing = folder_.File("existing.musicxml");
    cli_test::WriteFile(existing, "old");
    fs::permissions(existing, fs::perms(0600));
    ASSERT_EQ(Cadentra(Copy(score_, {"-o", existing})).code, EXIT_DONE);
    EXPECT_EQ(Permissions(existing), fs::perms(0600));
    EXPECT_NE(cli_test::ReadFile(existing), "old");

    fs::permissions(score_, fs::perms(0664));
    ASSERT_EQ(Cadentra(Copy(score_, {"--in-place"})).code, EXIT_DONE);
    EXPECT_EQ(Permissions(score_), fs::perms(0664));

    const mode_t previous = umask(027);
    const Outcome fresh = Cadentra(Copy(score_, {"-o", folder_.File("fresh.musicxml")}));
    umask(previous);
    ASSERT_EQ(fresh.code, EXIT_DONE) << fresh.err;
    EXPECT_EQ(Permissions(folder_.File("fresh.musicxml")), fs::perms(0640));
}

TEST_F(OutputFile, DirectoriesPipesSocketsAndDevicesAreRefusedAndLeftAsTheyWere) {
    const std::string directory = folder_.File("folder.musicxml");
    fs::create_directory(directory);
    cli_test::WriteFile(directory + "/inside", "kept");
    const std::string pipe = folder_.File("pipe.musicxml");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::string socketPath = folder_.File("socket.musicxml");
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const std::string linkToFolder = folder_.File("link-to-folder.musicxml");
    fs::create_symlink(directory, linkToFolder);
    fs::create_symlink("loop-b", folder_.File("loop-a"));
    fs::create_symlink("loop-a", folder_.File("loop-b"));

    const std::vector<std::pair<std::string, std::string>> cases = {
        {directory, directory + ": is a directory, not a regular file; nothing is written to it"},
        {pipe, pipe + ": is a named pipe, not a regular file; nothing is written to it"},
        {socketPath, socketPath + ": is a socket, not a regular file; nothing is written to it"},
        {linkToFolder, linkToFolder + " (a link to " + directory +
                           "): is a directory, not a regular file; nothing is written to it"},
        {folder_.File("loop-a"), folder_.File("loop-a") +
                                     ": more than 40 symbolic links in a row (do they go round "
                                     "in a circle?)"},
    };
    for (const auto& [output, message] : cases) {
        SCOPED_TRACE(output);
        for (const char* option : {"-o", "--dry-run"}) {
            std::vector<std::string> more{"-o", output};
            if (std::string(option) == "--dry-run") more.push_back(option);
            const Outcome run = Cadentra(Copy(score_, more));
            EXPECT_EQ(run.code, EXIT_BAD_INPUT);
            EXPECT_EQ(run.err, "cadentra: " + message + "\n");
            EXPECT_EQ(run.out, ""); // refused before the copy
        }
    }
    // A special file as the score itself, with --in-place.
    const Outcome inPlace = Cadentra(Copy(pipe, {"--in-place"}));
    EXPECT_EQ(inPlace.code, EXIT_BAD_INPUT);
    EXPECT_TRUE(fs::is_directory(directory));
    EXPECT_EQ(cli_test::ReadFile(directory + "/inside"), "kept");
    EXPECT_EQ(Entries(directory), 1);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::is_socket(socketPath));
    close(socket);
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{
                                   "folder.musicxml", "link-to-folder.musicxml", "loop-a", "loop-b",
                                   "pipe.musicxml", "score.musicxml", "socket.musicxml"}));
    // A device is only examined, never opened, so asking about one is safe.
    try {
        ResolveWriteTarget("/dev/null");
        ADD_FAILURE() << "/dev/null was taken for a file";
    } catch (const InputError& error) {
        EXPECT_EQ(error.message,
                  "/dev/null: is a device, not a regular file; nothing is written to it");
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(OutputFile, AWriteThatFailsEndsTheReportWithNothingWritten) {
    // A folder that may not be written: for root no folder is read-only, so the copy runs as
    // "nobody" when the tests run as root.
    const std::string locked = folder_.File("locked");
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms(0555));
    const Outcome readOnly = RunInChild(Copy(score_, {"-o", locked + "/out.musicxml"}), true);
    if (readOnly.code == CANNOT_DROP_PRIVILEGES) GTEST_SKIP() << "cannot run as user nobody";
    EXPECT_EQ(readOnly.code, EXIT_BAD_INPUT) << readOnly.err;
    const std::string reason = locked + "/out.musicxml: cannot create a temporary file in " +
                               locked + ": Permission denied";
    EXPECT_TRUE(Holds(readOnly.out, "layer 1 (voice 1): copied"));
    EXPECT_EQ(LastLine(readOnly.out), "Nothing written: " + reason);
    EXPECT_EQ(readOnly.err, "cadentra: " + reason + "\n");
    EXPECT_EQ(Entries(locked), 0);

    // A disk that fills up while the file is written: the file as it was, no temporary file.
    const std::string existing = folder_.File("existing.musicxml");
    cli_test::WriteFile(existing, "old");
    const Outcome full = RunInChild(Copy(score_, {"-o", existing}), false, 100);
    EXPECT_EQ(full.code, EXIT_BAD_INPUT) << full.err;
    EXPECT_EQ(LastLine(full.out),
              "Nothing written: " + existing + ": cannot write: File too large");
    EXPECT_EQ(cli_test::ReadFile(existing), "old");

    // A folder that is a file.
    const Outcome notAFolder = Cadentra(Copy(score_, {"-o", score_ + "/out.musicxml"}));
    EXPECT_EQ(notAFolder.code, EXIT_BAD_INPUT);
    EXPECT_EQ(LastLine(notAFolder.out), "Nothing written: " + score_ +
                                            "/out.musicxml: cannot create a temporary file in " +
                                            score_ + ": Not a directory");
    EXPECT_EQ(cli_test::ReadFile(score_), original_);
    EXPECT_EQ(folder_.Names(),
              (std::vector<std::string>{"existing.musicxml", "locked", "score.musicxml"}));
}
