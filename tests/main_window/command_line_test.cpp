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

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The program itself, with no display at all: it must answer without opening a window.
TEST(CommandLineTest, theProgramAnswersWithoutADisplay) {
    const std::string dir = test::makeTempDir("cmdline");
    std::string out, err;
    const auto runProgram = [&](const std::string& args) {
        const int status = test::run("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                                     std::string(STILLMAR_PROGRAM) + "' " + args + " >" + dir +
                                     "/out 2>" + dir + "/err");
        out = slurp(dir + "/out");
        err = slurp(dir + "/err");
        return status;
    };
    EXPECT_EQ(runProgram("--help"), 0);
    EXPECT_EQ(out.rfind("Usage : stillmar", 0), 0u) << out;
    EXPECT_EQ(err, "");
    EXPECT_EQ(runProgram("--version"), 0);
    EXPECT_EQ(out, "Stillmar " STILLMAR_VERSION "\n");
    EXPECT_EQ(runProgram("--nope clip.mp4"), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err,
              "stillmar : option inconnue « --nope »\nPour en savoir plus : stillmar --help\n");
    fs::remove_all(dir);
}

// On a machine without a sound card the audio library's probing must not reach the user; at
// most one line says that playback is silent. (With a sound card nothing is printed at all.)
TEST(QuietStartTest, withoutASoundCardEachProgramSaysSoOnceAtMost) {
    const std::string clip = test::fixture("clock.mp4");
    const std::string dir = test::makeTempDir("quiet");
    const std::string env = "env SDL_AUDIODRIVER=alsa QT_QPA_PLATFORM=offscreen ";
    const auto check = [&](const std::string& name) {
        const std::string err = slurp(dir + "/err");
        EXPECT_EQ(err.find("ALSA lib"), std::string::npos) << name << ":\n" << err;
        int silentLines = 0;
        std::istringstream lines(err);
        for (std::string line; std::getline(lines, line);)
            silentLines += line.find("sans le son") != std::string::npos;
        EXPECT_LE(silentLines, 1) << name << ":\n" << err;
    };
    // Two files one after the other, so a second attempt to open the sound is made.
    std::ofstream(dir + "/commands") << "open " << clip << " alias A\nplay A from 0 to 200 wait\n"
                                     << "close A\nopen " << clip << " alias B\n"
                                     << "play B from 0 to 200 wait\nclose all\n";
    EXPECT_EQ(test::run(env + "'" STILLMAR_SHELL "' <" + dir + "/commands >" + dir + "/out 2>" +
                        dir + "/err"),
              0);
    EXPECT_NE(slurp(dir + "/out").find("0\t"), std::string::npos);
    check("stillmar-mci");
    // The window program playing the file, ended by SIGTERM after two seconds.
    EXPECT_EQ(test::run(env + "timeout -k 3 2 '" STILLMAR_PROGRAM "' " + clip + " >/dev/null 2>" +
                        dir + "/err"),
              124);
    check("stillmar");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace stillmar
