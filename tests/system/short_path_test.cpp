#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/system/app_folder.h"
#include "platform/system/short_path.h"
#include "tests/support/fixtures.h"

namespace fs = std::filesystem;
using stillmar::sys::shortPathName;

namespace {

std::string touch(const std::string& path, const std::string& content = "x") {
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void expectUsableShortName(const std::string& original, const std::string& ext) {
    const std::string s = shortPathName(original);
    SCOPED_TRACE(original);
    ASSERT_FALSE(s.empty());
    EXPECT_LE(s.size(), 128u);
    EXPECT_TRUE(stillmar::sys::qualifiesAsShortPath(s)) << s;
    EXPECT_TRUE(sameFile(s, original)) << s;
    EXPECT_TRUE(s.ends_with(ext)) << s;
    EXPECT_EQ(shortPathName(original), s) << "alias not reused";
}

}  // namespace

TEST(ShortPath, isTheAbsolutePathItselfWhenItQualifies) {
    const std::string dir = stillmar::test::makeTempDir("shortpath");
    ASSERT_TRUE(stillmar::sys::qualifiesAsShortPath(dir)) << "temp folder unsuitable: " << dir;
    const std::string file = touch(dir + "/clip.avi");
    EXPECT_EQ(shortPathName(file), file);

    const fs::path before = fs::current_path();
    fs::current_path(dir);
    EXPECT_EQ(shortPathName("clip.avi"), file);
    EXPECT_EQ(shortPathName("./sub/../clip.avi"), "");  // sub does not exist
    fs::create_directory(dir + "/sub");
    EXPECT_EQ(shortPathName("./sub/../clip.avi"), file);
    fs::current_path(before);
}

TEST(ShortPath, givesAnAliasOfTheSameFileForAwkwardNames) {
    const std::string dir = stillmar::test::makeTempDir("shortpath");
    fs::create_directory(dir + "/my videos");
    expectUsableShortName(touch(dir + "/my videos/holiday clip.avi"), ".avi");
    expectUsableShortName(touch(dir + "/say \"cheese\".mpg"), ".mpg");
    expectUsableShortName(touch(dir + "/été à Noël.wmv"), ".wmv");

    std::string longPath = dir + "/" + std::string(140, 'd');
    fs::create_directory(longPath);
    longPath += "/" + std::string(150, 'f') + ".MOV";
    ASSERT_GE(longPath.size(), 300u);
    expectUsableShortName(touch(longPath), ".MOV");

    // The alias folder is private.
    struct stat st {};
    ASSERT_EQ(::stat(stillmar::sys::shortPathFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
}

TEST(ShortPath, keepsFilesApart_andDropsAnExtensionThatCannotTravel) {
    const std::string dir = stillmar::test::makeTempDir("shortpath");
    fs::create_directory(dir + "/a b");
    fs::create_directory(dir + "/c d");
    const std::string one = touch(dir + "/a b/x.avi", "one");
    const std::string two = touch(dir + "/c d/x.avi", "two");
    const std::string s1 = shortPathName(one);
    const std::string s2 = shortPathName(two);
    EXPECT_NE(s1, s2);
    EXPECT_TRUE(sameFile(s1, one));
    EXPECT_TRUE(sameFile(s2, two));

    const std::string odd = touch(dir + "/a b/file.m v");
    const std::string s = shortPathName(odd);
    EXPECT_TRUE(stillmar::sys::qualifiesAsShortPath(s)) << s;
    EXPECT_TRUE(sameFile(s, odd));
    EXPECT_EQ(fs::path(s).filename().string().find('.'), std::string::npos) << s;
}

TEST(ShortPath, isEmptyForAMissingOrEmptyPath) {
    const std::string dir = stillmar::test::makeTempDir("shortpath");
    EXPECT_EQ(shortPathName(""), "");
    EXPECT_EQ(shortPathName(dir + "/missing.avi"), "");
    EXPECT_EQ(shortPathName(dir + "/no such folder/clip.avi"), "");
    EXPECT_EQ(shortPathName(std::string("/tmp\0/x", 7)), "");
}

TEST(AppFolder, isTheFolderOfTheRunningProgram) {
    const std::string folder = stillmar::sys::applicationFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_TRUE(fs::exists(folder + "/system_tests"));
}
