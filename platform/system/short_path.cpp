#include "platform/system/short_path.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace stillmar::sys {
namespace {

bool isSafeChar(unsigned char c) {
    return c > 0x20 && c < 0x7f && c != '"';
}

bool allSafe(std::string_view text) {
    for (const char c : text) {
        if (!isSafeChar(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

std::string realPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// The absolute form of an existing path: folders resolved, the last name kept as given, so a
// link named clip.avi keeps its extension.
std::string absoluteOf(std::string_view path) {
    std::string p(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const std::size_t slash = p.rfind('/');
    const std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return realPath(p);
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
    const std::string resolved = realPath(folder);
    if (resolved.empty()) return {};
    return resolved == "/" ? "/" + name : resolved + "/" + name;
}

std::string extensionOf(const std::string& absolute) {
    const std::string name = absolute.substr(absolute.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 >= name.size()) return {};
    std::string ext = name.substr(dot);
    // An extension that cannot travel unquoted, or is absurdly long, is not kept.
    if (!allSafe(ext) || ext.size() > 32) return {};
    return ext;
}

uint64_t fnv1a(std::string_view text) {
    uint64_t h = 1469598103934665603ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

bool isPrivateFolder(const std::string& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

std::string makePrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return isPrivateFolder(folder) ? folder : std::string();
}

std::string readLink(const std::string& link) {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace

bool qualifiesAsShortPath(std::string_view path) {
    return !path.empty() && path.size() <= kMaxShortPath && allSafe(path);
}

std::string shortPathFolder() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && *xdg == '/') {
        const std::string base = realPath(xdg);
        const std::string folder = base + "/stillmar";
        // Leave room for the alias names themselves.
        if (!base.empty() && isPrivateFolder(base) && folder.size() <= kMaxShortPath / 2 &&
            allSafe(folder)) {
            if (std::string made = makePrivateFolder(folder); !made.empty()) return made;
        }
    }
    return makePrivateFolder("/tmp/stillmar-" + std::to_string(::getuid()));
}

std::string shortPathName(std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) return {};
    const std::string absolute = absoluteOf(path);
    if (absolute.empty()) return {};
    struct stat st {};
    if (::stat(absolute.c_str(), &st) != 0) return {};
    if (qualifiesAsShortPath(absolute)) return absolute;

    const std::string folder = shortPathFolder();
    if (folder.empty()) return {};
    const std::string ext = extensionOf(absolute);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(absolute)));
    // A clash of hashes between two targets takes the next free suffix.
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string alias = folder + "/" + hash;
        if (attempt > 0) {
            alias += '-';
            alias += std::to_string(attempt);
        }
        alias += ext;
        if (::symlink(absolute.c_str(), alias.c_str()) == 0) return alias;
        if (errno != EEXIST) return {};
        if (readLink(alias) == absolute) return alias;
    }
    return {};
}

}  // namespace stillmar::sys
