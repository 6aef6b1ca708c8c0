#include "platform/mci/midi/synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>

namespace stillmar::mci::midi {
namespace {

using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

// Soundfont images by path; a path that could not be read maps to null and is not retried.
Bytes cachedSoundFont(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, Bytes> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(path);
    if (it != cache.end()) return it->second;
    Bytes bytes;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (in) {
        auto size = in.tellg();
        if (size > 0) {
            auto data = std::make_shared<std::vector<uint8_t>>(size_t(size));
            in.seekg(0);
            if (in.read(reinterpret_cast<char*>(data->data()), size)) bytes = std::move(data);
        }
    }
    cache.emplace(path, bytes);
    return bytes;
}

// FluidSynth reads the soundfont through these callbacks; the "file name" is the cache key.
struct MemoryFile {
    Bytes bytes;
    int64_t pos = 0;
};

void* memOpen(const char* name) {
    Bytes bytes = cachedSoundFont(name);
    return bytes ? new MemoryFile{std::move(bytes), 0} : nullptr;
}

int memRead(void* buf, fluid_long_long_t count, void* handle) {
    auto* f = static_cast<MemoryFile*>(handle);
    const auto size = int64_t(f->bytes->size());
    if (count < 0 || count > size - f->pos) return FLUID_FAILED;
    std::memcpy(buf, f->bytes->data() + f->pos, size_t(count));
    f->pos += count;
    return FLUID_OK;
}

int memSeek(void* handle, fluid_long_long_t offset, int origin) {
    auto* f = static_cast<MemoryFile*>(handle);
    const auto size = int64_t(f->bytes->size());
    int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? f->pos : size;
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return FLUID_FAILED;
    int64_t target = base + offset;
    if (target < 0 || target > size) return FLUID_FAILED;
    f->pos = target;
    return FLUID_OK;
}

fluid_long_long_t memTell(void* handle) {
    return static_cast<MemoryFile*>(handle)->pos;
}

int memClose(void* handle) {
    delete static_cast<MemoryFile*>(handle);
    return FLUID_OK;
}

void quietLogs() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

}  // namespace

std::string soundFontPath() {
    const char* env = std::getenv("STILLMAR_SOUNDFONT");
    return env && *env ? env : kDefaultSoundFont;
}

struct Synth::Handles {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    ~Handles() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

bool soundFontAvailable(const std::string& path) {
    return cachedSoundFont(path) != nullptr;
}

Synth::Synth(const std::string& soundFontPath, int sampleRate) : h_(std::make_unique<Handles>()) {
    quietLogs();
    if (!soundFontAvailable(soundFontPath)) return;
    h_->settings = new_fluid_settings();
    if (!h_->settings) return;
    fluid_settings_setnum(h_->settings, "synth.sample-rate", double(sampleRate));
    fluid_settings_setnum(h_->settings, "synth.gain", 0.5);
    // Every call comes in under the sequencer's own lock.
    fluid_settings_setint(h_->settings, "synth.threadsafe-api", 0);
    h_->synth = new_fluid_synth(h_->settings);
    if (!h_->synth) return;
    fluid_sfloader_t* loader = new_fluid_defsfloader(h_->settings);
    if (!loader) return;
    fluid_sfloader_set_callbacks(loader, memOpen, memRead, memSeek, memTell, memClose);
    fluid_synth_add_sfloader(h_->synth, loader);  // the synth owns it from here
    int id = fluid_synth_sfload(h_->synth, soundFontPath.c_str(), 1);
    sfont_ = id == FLUID_FAILED ? -1 : id;
}

Synth::~Synth() = default;

void Synth::channelMessage(uint8_t status, uint8_t data1, uint8_t data2) {
    if (!hasSound()) return;
    fluid_synth_t* s = h_->synth;
    const int chan = status & 0x0F;
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(s, chan, data1);
            break;
        case 0x90:
            if (data2 == 0)
                fluid_synth_noteoff(s, chan, data1);
            else
                fluid_synth_noteon(s, chan, data1, data2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(s, chan, data1, data2);
            break;
        case 0xB0:
            fluid_synth_cc(s, chan, data1, data2);
            break;
        case 0xC0:
            fluid_synth_program_change(s, chan, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(s, chan, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(s, chan, data1 | data2 << 7);
            break;
        default:
            break;
    }
}

void Synth::sysEx(const uint8_t* data, uint32_t length) {
    if (!hasSound()) return;
    if (length > 0 && data[length - 1] == 0xF7) --length;
    if (length == 0 || length > 4096) return;
    fluid_synth_sysex(h_->synth, reinterpret_cast<const char*>(data), int(length), nullptr, nullptr,
                      nullptr, 0);
}

void Synth::reset() {
    if (hasSound()) fluid_synth_system_reset(h_->synth);
}

void Synth::allNotesOff() {
    if (hasSound()) fluid_synth_all_notes_off(h_->synth, -1);
}

void Synth::render(float* stereo, int frames) {
    if (frames <= 0) return;
    if (!hasSound()) {
        std::fill(stereo, stereo + 2 * size_t(frames), 0.0f);
        return;
    }
    fluid_synth_write_float(h_->synth, frames, stereo, 0, 2, stereo, 1, 2);
}

}  // namespace stillmar::mci::midi
