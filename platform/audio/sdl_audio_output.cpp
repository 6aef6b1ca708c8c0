#include <SDL.h>
#include <dlfcn.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mutex>

#include "platform/audio/audio_output.h"

namespace stillmar::audio {
namespace {

// Without a sound card, ALSA's default error handler prints a screenful of device-probing
// lines on every attempt to open one. The library SDL loads is the one loaded here, kept for
// the process, so its handler is replaced before SDL looks for a device.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
void quietAlsa() {
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (alsa == nullptr) return;
    if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(&ignoreAlsaError);
}

// One line, once per process, instead of the drivers' own messages.
void reportNoSound() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::fprintf(stderr, "%s : aucune sortie son disponible, lecture sans le son\n",
                     program_invocation_short_name);
    });
}

// SDL's audio subsystem is reference-counted; the first failure is remembered so that a
// machine without a sound card does not retry its drivers on every open.
bool initAudioSubsystem() {
    static std::mutex mutex;
    static int state = 0;  // 0 unknown, 1 usable, -1 none
    std::lock_guard lock(mutex);
    if (state == 0) {
        quietAlsa();
        // SDL's audio brings up its event layer, which would turn SIGINT and SIGTERM into quit
        // events nobody reads: the programs would no longer stop on Ctrl+C or a kill.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        state = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 ? 1 : -1;
        if (state < 0) reportNoSound();
    }
    return state == 1;
}

// After a device fails to open, later opens within a short while fail at once: without a
// sound card every play would otherwise probe the drivers again.
class OpenFailures {
  public:
    bool recentlyFailed() {
        std::lock_guard lock(mutex_);
        return failed_ && std::chrono::steady_clock::now() - when_ < std::chrono::seconds(30);
    }
    void record(bool ok) {
        std::lock_guard lock(mutex_);
        failed_ = !ok;
        when_ = std::chrono::steady_clock::now();
    }

  private:
    std::mutex mutex_;
    bool failed_ = false;
    std::chrono::steady_clock::time_point when_;
};
OpenFailures& openFailures() {
    static OpenFailures instance;
    return instance;
}

class SdlAudioOutput final : public AudioOutput {
  public:
    ~SdlAudioOutput() override { close(); }

    bool open(int rate, int channels, Fill fill) override {
        close();
        if (rate <= 0 || channels <= 0 || !fill || openFailures().recentlyFailed() ||
            !initAudioSubsystem())
            return false;
        fill_ = std::move(fill);
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = Uint8(channels);
        want.samples = 1024;
        want.callback = &SdlAudioOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        openFailures().record(device_ != 0);
        if (device_ == 0) {
            reportNoSound();
            fill_ = nullptr;
            return false;
        }
        format_ = Format{have.freq, have.channels, have.samples};
        return true;
    }

    Format format() const override { return format_; }

    void setPaused(bool paused) override {
        if (device_) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
    }

    void close() override {
        if (device_) {
            SDL_CloseAudioDevice(device_);  // waits for a running callback
            device_ = 0;
        }
        fill_ = nullptr;
        format_ = {};
    }

  private:
    static void callback(void* userdata, Uint8* stream, int len) {
        auto* self = static_cast<SdlAudioOutput*>(userdata);
        const int frameBytes = int(sizeof(int16_t)) * self->format_.channels;
        if (frameBytes <= 0) return;
        self->fill_(reinterpret_cast<int16_t*>(stream), len / frameBytes);
    }

    SDL_AudioDeviceID device_ = 0;
    Fill fill_;
    Format format_;
};

}  // namespace

std::unique_ptr<AudioOutput> createAudioOutput() {
    return std::make_unique<SdlAudioOutput>();
}

}  // namespace stillmar::audio
