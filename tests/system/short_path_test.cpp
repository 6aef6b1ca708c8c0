#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/system/app_folder.h"
#include "platform/system/short_path.h"
#include "tests/support/fixtures.h"

namespace fs = std::filesystem;
using stillmar::sys::shortPathName;

namespace {

std::string touch(const std::string& path) {
    std::ofstream(path) << path;
    return path;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

TEST(ShortPath, isTheAbsolutePathWhenItQualifies_emptyWhenMissing) {
    const std::string dir = stillmar::test::makeTempDir("shortpath");
    ASSERT_TRUE(stillmar::sys::qualifiesAsShortPath(dir)) << "temp folder unsuitable: " << dir;
    const std::string file = touch(dir + "/clip.avi");
    EXPECT_EQ(shortPathName(file), file);
    EXPECT_EQ(shortPathName(""), "");
    EXPECT_EQ(shortPathName(dir + "/missing.avi"), "");
    EXPECT_EQ(shortPathName(dir + "/no such folder/clip.avi"), "");
}

TEST(ShortPath, givesAReusedAliasOfTheSameFileForAwkwardNames) {
    const std::string dir = stillmar::test::makeTempDir("shortpath");
    fs::create_directory(dir + "/my videos");
    const std::string longFolder = dir + "/" + std::string(140, 'd');
    fs::create_directory(longFolder);
    const struct {
        std::string path, ext;
    } cases[] = {{touch(dir + "/my videos/holiday clip.avi"), ".avi"},
                 {touch(dir + "/say \"cheese\".mpg"), ".mpg"},
                 {touch(dir + "/été à Noël.wmv"), ".wmv"},
                 {touch(longFolder + "/" + std::string(150, 'f') + ".MOV"), ".MOV"},
                 {touch(dir + "/my videos/odd.m v"), ""}};
    std::vector<std::string> seen;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string s = shortPathName(c.path);
        EXPECT_TRUE(stillmar::sys::qualifiesAsShortPath(s)) << s;
        EXPECT_TRUE(sameFile(s, c.path)) << s;
        EXPECT_EQ(fs::path(s).extension(), c.ext) << s;
        EXPECT_EQ(shortPathName(c.path), s) << "alias not reused";
        EXPECT_EQ(std::count(seen.begin(), seen.end(), s), 0) << "two files, one alias";
        seen.push_back(s);
    }
    struct stat st {};
    ASSERT_EQ(::stat(stillmar::sys::shortPathFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(AppFolder, isTheFolderOfTheRunningProgram) {
    const std::string folder = stillmar::sys::applicationFolder();
    EXPECT_TRUE(fs::exists(folder + "/system_tests")) << folder;
}
