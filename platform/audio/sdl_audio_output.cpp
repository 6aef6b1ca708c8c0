#include <SDL.h>
#include <dlfcn.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

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

// An opened SDL device and what its callback calls. `fill` changes only under the device's
// lock, so a callback never sees it half changed.
struct Device {
    SDL_AudioDeviceID id = 0;
    int rate = 0, channels = 0;  // as asked
    AudioOutput::Format format;
    AudioOutput::Fill fill;

    ~Device() {
        if (id) SDL_CloseAudioDevice(id);  // waits for a running callback
    }

    static void callback(void* userdata, Uint8* stream, int len) {
        auto* self = static_cast<Device*>(userdata);
        const int frameBytes = int(sizeof(int16_t)) * self->format.channels;
        if (!self->fill || frameBytes <= 0) {
            std::memset(stream, 0, std::size_t(len));
            return;
        }
        self->fill(reinterpret_cast<int16_t*>(stream), len / frameBytes);
    }
};

// A device its owner closes stays open a little while, paused and unhooked: the next open of
// the same format takes it instead of going through the driver again. A capture run opens and
// closes a file every frame, and the driver's close alone can cost tens of milliseconds.
class IdleDevice {
  public:
    static IdleDevice& instance() {
        static IdleDevice idle;
        return idle;
    }

    std::unique_ptr<Device> take(int rate, int channels) {
        std::unique_ptr<Device> stale;
        std::lock_guard lock(mutex_);
        if (device_ && device_->rate == rate && device_->channels == channels)
            return std::move(device_);
        stale = std::move(device_);  // some drivers have one device only: free it first
        return nullptr;
    }

    void release() {
        std::unique_ptr<Device> old;
        std::lock_guard lock(mutex_);
        old = std::move(device_);
    }

    void keep(std::unique_ptr<Device> device) {
        std::unique_ptr<Device> previous;
        std::lock_guard lock(mutex_);
        if (quit_) {  // shutting down: closed at once (after the lock, as `previous`)
            previous = std::move(device);
            return;
        }
        previous = std::move(device_);
        device_ = std::move(device);
        since_ = std::chrono::steady_clock::now();
        if (!reaper_.joinable()) reaper_ = std::thread([this] { reap(); });
        wake_.notify_all();
    }

    // Closes the kept device and joins the thread that would have closed it. The next
    // keep() starts that thread again.
    void shutdown() {
        std::thread reaper;
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
            reaper = std::move(reaper_);
        }
        wake_.notify_all();
        if (reaper.joinable()) reaper.join();
        std::unique_ptr<Device> old;
        std::lock_guard lock(mutex_);
        old = std::move(device_);
        quit_ = false;
    }

  private:
    static constexpr auto kKeep = std::chrono::seconds(3);

    // Only for a program that never called shutdownAudio().
    ~IdleDevice() { shutdown(); }

    // Closes a device nobody took within kKeep, off the callers' threads.
    void reap() {
        std::unique_lock lock(mutex_);
        while (!quit_) {
            if (!device_) {
                wake_.wait(lock);
                continue;
            }
            if (std::chrono::steady_clock::now() - since_ < kKeep) {
                wake_.wait_until(lock, since_ + kKeep);
                continue;
            }
            std::unique_ptr<Device> old = std::move(device_);
            lock.unlock();
            old.reset();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<Device> device_;
    std::chrono::steady_clock::time_point since_;
    std::thread reaper_;
    bool quit_ = false;
};

class SdlAudioOutput final : public AudioOutput {
  public:
    ~SdlAudioOutput() override { close(); }

    bool open(int rate, int channels, Fill fill) override {
        close();
        if (rate <= 0 || channels <= 0 || !fill) return false;
        device_ = IdleDevice::instance().take(rate, channels);
        if (!device_) device_ = openDevice(rate, channels);
        if (!device_) return false;
        SDL_LockAudioDevice(device_->id);
        device_->fill = std::move(fill);
        SDL_UnlockAudioDevice(device_->id);
        return true;
    }

    Format format() const override { return device_ ? device_->format : Format{}; }

    void setPaused(bool paused) override {
        if (device_) SDL_PauseAudioDevice(device_->id, paused ? 1 : 0);
    }

    void close() override {
        if (!device_) return;
        SDL_PauseAudioDevice(device_->id, 1);
        SDL_LockAudioDevice(device_->id);  // waits for a running callback
        device_->fill = nullptr;
        SDL_UnlockAudioDevice(device_->id);
        IdleDevice::instance().keep(std::move(device_));
    }

  private:
    static std::unique_ptr<Device> openDevice(int rate, int channels) {
        if (openFailures().recentlyFailed() || !initAudioSubsystem()) return nullptr;
        auto device = std::make_unique<Device>();
        device->rate = rate;
        device->channels = channels;
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = Uint8(channels);
        want.samples = 1024;
        want.callback = &Device::callback;
        want.userdata = device.get();
        SDL_AudioSpec have{};
        device->id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        openFailures().record(device->id != 0);
        if (device->id == 0) {
            reportNoSound();
            return nullptr;
        }
        device->format = Format{have.freq, have.channels, have.samples};
        return device;
    }

    std::unique_ptr<Device> device_;
};

}  // namespace

std::unique_ptr<AudioOutput> createAudioOutput() {
    return std::make_unique<SdlAudioOutput>();
}

void releaseKeptDevice() {
    IdleDevice::instance().release();
}

void shutdownAudio() {
    IdleDevice::instance().shutdown();
}

}  // namespace stillmar::audio
