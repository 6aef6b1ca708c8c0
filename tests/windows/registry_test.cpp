#include "platform/system/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/support/fixtures.h"

using namespace stillmar::sys;

namespace {

const std::string kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

void makeFile(const std::string& path, bool executable) {
    std::ofstream(path) << "#!/bin/sh\n";
    ::chmod(path.c_str(), executable ? 0755 : 0644);
}

std::string text(const RegistryValue& v) {
    return std::string(v.bytes.begin(), v.bytes.end());
}

}  // namespace

TEST(MemoryRegistry, keysAndValueNamesIgnoreCase) {
    MemoryRegistry r;
    r.setString(HKEY_LOCAL_MACHINE, "Software\\A", "Path", "x");
    EXPECT_TRUE(r.hasKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\a"));
    EXPECT_FALSE(r.hasKey(0x80000001u, "SOFTWARE\\a"));
    ASSERT_TRUE(r.value(HKEY_LOCAL_MACHINE, "software\\A", "PATH"));
    EXPECT_EQ(r.value(HKEY_LOCAL_MACHINE, "software\\A", "PATH")->bytes,
              std::vector<uint8_t>({'x', 0}));
    EXPECT_FALSE(r.value(HKEY_LOCAL_MACHINE, "software\\A", "other"));
}

TEST(SystemInfoRegistry, resolvesBothKeysToTheFirstExecutableCandidateOnThePath) {
    const std::string a = stillmar::test::makeTempDir("sysinfo_a");
    const std::string b = stillmar::test::makeTempDir("sysinfo_b");
    makeFile(a + "/gnome-system-monitor", false);  // not executable: skipped
    makeFile(a + "/hardinfo", true);
    makeFile(b + "/gnome-system-monitor", true);
    SystemInfoRegistry r("relative:" + a + ":" + b);

    EXPECT_EQ(r.findProgram(), b + "/gnome-system-monitor");
    EXPECT_TRUE(r.hasKey(HKEY_LOCAL_MACHINE, kMsinfoKey));
    auto program = r.value(HKEY_LOCAL_MACHINE, kMsinfoKey, "PATH");
    ASSERT_TRUE(program);
    EXPECT_EQ(program->type, REG_SZ);
    EXPECT_EQ(text(*program), b + "/gnome-system-monitor" + '\0');
    auto folder = r.value(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO");
    ASSERT_TRUE(folder);
    EXPECT_EQ(text(*folder), b + '\0');
    EXPECT_FALSE(r.value(HKEY_LOCAL_MACHINE, kMsinfoKey, "other"));
    EXPECT_FALSE(r.hasKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Other"));

    std::filesystem::remove(b + "/gnome-system-monitor");
    EXPECT_EQ(r.findProgram(), a + "/hardinfo");
    std::filesystem::remove_all(a);
    std::filesystem::remove_all(b);
}

TEST(SystemInfoRegistry, noProgramMeansNoKeys) {
    const std::string empty = stillmar::test::makeTempDir("sysinfo_none");
    SystemInfoRegistry r(empty);
    EXPECT_EQ(r.findProgram(), "");
    EXPECT_FALSE(r.hasKey(HKEY_LOCAL_MACHINE, kMsinfoKey));
    EXPECT_FALSE(r.value(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO"));
    std::filesystem::remove_all(empty);
}
