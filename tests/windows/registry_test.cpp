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

TEST(SystemInfoRegistry, resolvesBothKeysToTheFirstExecutableCandidateOnThePath) {
    const std::string a = stillmar::test::makeTempDir("sysinfo_a");
    const std::string b = stillmar::test::makeTempDir("sysinfo_b");
    makeFile(a + "/gnome-system-monitor", false);  // not executable: skipped
    makeFile(a + "/hardinfo", true);
    makeFile(b + "/gnome-system-monitor", true);
    SystemInfoRegistry r("relative:" + a + ":" + b);

    auto program = r.value(HKEY_LOCAL_MACHINE, "software\\microsoft\\shared tools\\msinfo", "Path");
    ASSERT_TRUE(program);
    EXPECT_EQ(program->type, REG_SZ);
    EXPECT_EQ(text(*program), b + "/gnome-system-monitor" + '\0');
    auto folder = r.value(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO");
    ASSERT_TRUE(folder);
    EXPECT_EQ(text(*folder), b + '\0');
    EXPECT_FALSE(r.value(HKEY_LOCAL_MACHINE, kMsinfoKey, "other"));

    std::filesystem::remove(b + "/gnome-system-monitor");
    EXPECT_EQ(r.findProgram(), a + "/hardinfo");
    std::filesystem::remove(a + "/hardinfo");
    EXPECT_FALSE(r.hasKey(HKEY_LOCAL_MACHINE, kMsinfoKey));
    EXPECT_FALSE(r.value(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO"));
    std::filesystem::remove_all(a);
    std::filesystem::remove_all(b);
}
