#pragma once
// Read-only registry: keys under a root, each holding typed values as raw bytes.
// The program installs a provider; tests use MemoryRegistry.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace stillmar::sys {

constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_DWORD = 4;

struct RegistryValue {
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
};

class Registry {
  public:
    virtual ~Registry() = default;
    // Whether the key exists (so that it could be opened). Key paths use "\" and compare
    // without regard to ASCII case, as the Windows registry does.
    virtual bool hasKey(uint32_t root, const std::string& key) const = 0;
    // The named value of an existing key; nothing when the key or the value is missing.
    virtual std::optional<RegistryValue> value(uint32_t root, const std::string& key,
                                               const std::string& name) const = 0;
};

class MemoryRegistry : public Registry {
  public:
    void addKey(uint32_t root, const std::string& key);
    void setValue(uint32_t root, const std::string& key, const std::string& name, uint32_t type,
                  std::vector<uint8_t> bytes);
    void setString(uint32_t root, const std::string& key, const std::string& name,
                   const std::string& text, bool withNul = true);
    void setDword(uint32_t root, const std::string& key, const std::string& name, uint32_t value);

    bool hasKey(uint32_t root, const std::string& key) const override;
    std::optional<RegistryValue> value(uint32_t root, const std::string& key,
                                       const std::string& name) const override;

  private:
    using KeyId = std::pair<uint32_t, std::string>;
    std::map<KeyId, std::map<std::string, RegistryValue>> keys_;
};

// Answers the two System Information keys with an installed system-information program found
// on the PATH: "SOFTWARE\Microsoft\Shared Tools\MSINFO" value "PATH" holds the program,
// "SOFTWARE\Microsoft\Shared Tools Location" value "MSINFO" its folder. Without such a
// program neither key exists. Nothing else exists.
class SystemInfoRegistry : public Registry {
  public:
    // `searchPath` is a PATH-style list; empty means the process's PATH.
    explicit SystemInfoRegistry(std::string searchPath = {});

    bool hasKey(uint32_t root, const std::string& key) const override;
    std::optional<RegistryValue> value(uint32_t root, const std::string& key,
                                       const std::string& name) const override;

    // The candidates, in order of preference.
    static const std::vector<std::string>& programNames();
    // The full path of the first candidate found, or empty.
    std::string findProgram() const;

  private:
    std::string searchPath_;
};

// The registry the program reads: a SystemInfoRegistry unless one was installed. Passing null
// restores that default. The caller keeps ownership of what it installs.
void setRegistry(Registry* registry);
Registry& registry();

}  // namespace stillmar::sys
