#include "main_window/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/fixtures.h"

namespace stillmar {
namespace {

namespace fs = std::filesystem;
using Action = CommandLine::Action;

CommandLine parse(std::vector<std::string> args) {
    return ParseCommandLine(args, "1.2.3");
}

TEST(CommandLineTest, aFileIsMadeAbsoluteAndTheToolkitKeepsItsOwnOptions) {
    EXPECT_EQ(parse({}).action, Action::Run);
    EXPECT_TRUE(parse({}).file.empty());

    const CommandLine rel = parse({"-platform", "offscreen", "films/../clip.mp4", "-reverse"});
    EXPECT_EQ(rel.action, Action::Run);
    EXPECT_EQ(rel.file, (fs::current_path() / "clip.mp4").string());
    EXPECT_EQ(rel.toolkitArguments,
              (std::vector<std::string>{"-platform", "offscreen", "-reverse"}));

    // A file manager may hand over a URL; after "--" a leading dash is part of a name.
    EXPECT_EQ(parse({"file:///tmp/a%20b.mkv"}).file, "/tmp/a b.mkv");
    EXPECT_EQ(parse({"--", "-clip.avi"}).file, (fs::current_path() / "-clip.avi").string());
}

TEST(CommandLineTest, helpAndVersionAreFrenchTextsOnStandardOutput) {
    const CommandLine help = parse({"clip.mp4", "--help"});
    EXPECT_EQ(help.action, Action::Help);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.text.rfind("Usage : stillmar [OPTION] [FICHIER]\n", 0), 0u) << help.text;
    EXPECT_NE(help.text.find("affiche la version et quitte"), std::string::npos);
    EXPECT_EQ(parse({"-h"}).action, Action::Help);

    const CommandLine version = parse({"--version"});
    EXPECT_EQ(version.action, Action::Version);
    EXPECT_EQ(version.text, "Stillmar 1.2.3\n");
}

TEST(CommandLineTest, wrongLinesAreErrorsWithStatus2) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                  {"-x", "clip.mp4"},
                                                                  {"a.mp4", "b.mp4"},
                                                                  {"https://example.org/a.mp4"},
                                                                  {"-style"},
                                                                  {""}}) {
        const CommandLine c = parse(args);
        EXPECT_EQ(c.action, Action::Error) << args[0];
        EXPECT_EQ(c.exitStatus, 2);
        EXPECT_EQ(c.text.rfind("stillmar : ", 0), 0u) << c.text;
        EXPECT_NE(c.text.find("stillmar --help"), std::string::npos);
    }
    EXPECT_EQ(parse({"--bogus"}).text,
              "stillmar : option inconnue « --bogus »\nPour en savoir plus : stillmar --help\n");
}

// The program itself, with no display at all: it must answer without opening a window.
TEST(CommandLineTest, theProgramAnswersWithoutADisplay) {
    const std::string dir = test::makeTempDir("cmdline");
    const auto runProgram = [&](const std::string& args, std::string& out, std::string& err) {
        const int status = test::run("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                                     std::string(STILLMAR_PROGRAM) + "' " + args + " >" + dir +
                                     "/out 2>" + dir + "/err");
        const auto slurp = [](const std::string& path) {
            std::ifstream in(path);
            std::stringstream s;
            s << in.rdbuf();
            return s.str();
        };
        out = slurp(dir + "/out");
        err = slurp(dir + "/err");
        return status;
    };
    std::string out, err;
    EXPECT_EQ(runProgram("--help", out, err), 0);
    EXPECT_EQ(out.rfind("Usage : stillmar", 0), 0u) << out;
    EXPECT_EQ(err, "");
    EXPECT_EQ(runProgram("--version", out, err), 0);
    EXPECT_EQ(out, "Stillmar " STILLMAR_VERSION "\n");
    EXPECT_EQ(runProgram("--nope clip.mp4", out, err), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err,
              "stillmar : option inconnue « --nope »\nPour en savoir plus : stillmar --help\n");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace stillmar
