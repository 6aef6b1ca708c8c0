#include "platform/system/registry.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace stillmar::sys {

namespace {

std::string foldCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

RegistryValue stringValue(const std::string& text, bool withNul) {
    RegistryValue v;
    v.type = REG_SZ;
    v.bytes.assign(text.begin(), text.end());
    if (withNul) v.bytes.push_back(0);
    return v;
}

const char kMsinfoKey[] = "software\\microsoft\\shared tools\\msinfo";
const char kMsinfoValue[] = "path";
const char kLocationKey[] = "software\\microsoft\\shared tools location";
const char kLocationValue[] = "msinfo";

}  // namespace

void MemoryRegistry::addKey(uint32_t root, const std::string& key) {
    keys_[{root, foldCase(key)}];
}

void MemoryRegistry::setValue(uint32_t root, const std::string& key, const std::string& name,
                              uint32_t type, std::vector<uint8_t> bytes) {
    keys_[{root, foldCase(key)}][foldCase(name)] = RegistryValue{type, std::move(bytes)};
}

void MemoryRegistry::setString(uint32_t root, const std::string& key, const std::string& name,
                               const std::string& text, bool withNul) {
    RegistryValue v = stringValue(text, withNul);
    setValue(root, key, name, v.type, std::move(v.bytes));
}

void MemoryRegistry::setDword(uint32_t root, const std::string& key, const std::string& name,
                              uint32_t value) {
    std::vector<uint8_t> bytes(4);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    setValue(root, key, name, REG_DWORD, std::move(bytes));
}

bool MemoryRegistry::hasKey(uint32_t root, const std::string& key) const {
    return keys_.count({root, foldCase(key)}) != 0;
}

std::optional<RegistryValue> MemoryRegistry::value(uint32_t root, const std::string& key,
                                                   const std::string& name) const {
    auto k = keys_.find({root, foldCase(key)});
    if (k == keys_.end()) return std::nullopt;
    auto v = k->second.find(foldCase(name));
    if (v == k->second.end()) return std::nullopt;
    return v->second;
}

SystemInfoRegistry::SystemInfoRegistry(std::string searchPath)
    : searchPath_(std::move(searchPath)) {}

const std::vector<std::string>& SystemInfoRegistry::programNames() {
    static const std::vector<std::string> names = {
        "gnome-system-monitor", "hardinfo", "kinfocenter", "xfce4-taskmanager",
        "mate-system-monitor",  "lxtask",   "ksysguard",
    };
    return names;
}

std::string SystemInfoRegistry::findProgram() const {
    std::string path = searchPath_;
    if (path.empty()) {
        const char* env = std::getenv("PATH");
        path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    }
    for (const std::string& name : programNames()) {
        size_t start = 0;
        while (start <= path.size()) {
            size_t end = path.find(':', start);
            if (end == std::string::npos) end = path.size();
            std::string dir = path.substr(start, end - start);
            start = end + 1;
            // An empty entry would mean the working folder; never run programs from there.
            if (dir.empty() || dir.front() != '/') continue;
            std::error_code ec;
            std::filesystem::path candidate = std::filesystem::path(dir) / name;
            if (std::filesystem::is_regular_file(candidate, ec) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate.string();
        }
    }
    return {};
}

bool SystemInfoRegistry::hasKey(uint32_t root, const std::string& key) const {
    if (root != HKEY_LOCAL_MACHINE) return false;
    std::string k = foldCase(key);
    if (k != kMsinfoKey && k != kLocationKey) return false;
    return !findProgram().empty();
}

std::optional<RegistryValue> SystemInfoRegistry::value(uint32_t root, const std::string& key,
                                                       const std::string& name) const {
    if (root != HKEY_LOCAL_MACHINE) return std::nullopt;
    std::string k = foldCase(key), n = foldCase(name);
    bool wantsProgram = k == kMsinfoKey && n == kMsinfoValue;
    bool wantsFolder = k == kLocationKey && n == kLocationValue;
    if (!wantsProgram && !wantsFolder) return std::nullopt;
    std::string program = findProgram();
    if (program.empty()) return std::nullopt;
    if (wantsProgram) return stringValue(program, true);
    return stringValue(std::filesystem::path(program).parent_path().string(), true);
}

namespace {
Registry* g_installed = nullptr;
}

void setRegistry(Registry* registry) {
    g_installed = registry;
}

Registry& registry() {
    static SystemInfoRegistry systemRegistry;
    return g_installed ? *g_installed : systemRegistry;
}

}  // namespace stillmar::sys
