#include "tests/support/fixtures.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace fs = std::filesystem;

namespace stillmar::test {
namespace {

// `retime`: filters that give the frames other times (the numbers stay in display order).
std::string stripes(int width, int height, const std::string& rate, double seconds,
                    const std::string& retime = "") {
    // Luma of pixel (X, Y) of frame N: bit floor(X * bits / W) of N.
    return "-f lavfi -i \"nullsrc=s=" + std::to_string(width) + "x" + std::to_string(height) +
           ":r=" + rate + ":d=" + std::to_string(seconds) +
           ",geq=lum='if(mod(floor(N/pow(2\\,floor(X*" + std::to_string(kFrameBits) +
           "/W)))\\,2)\\,235\\,16)':cb=128:cr=128" + retime + ",format=yuv420p\"";
}
std::string stripes(int width, int height, int fps, double seconds) {
    return stripes(width, height, std::to_string(fps), seconds);
}

std::string sine(double seconds) {
    return "-f lavfi -i \"sine=frequency=440:sample_rate=44100:duration=" +
           std::to_string(seconds) + "\"";
}

// ffmpeg arguments after the inputs, by fixture name; empty for the ones made otherwise.
std::string recipe(const std::string& name) {
    static const std::map<std::string, std::string> table = {
        {"clock.mp4", stripes(320, 240, 25, 20) + " " + sine(20) +
                          " -c:v libx264 -preset veryfast -g 50 -keyint_min 50 -sc_threshold 0"
                          " -c:a aac -shortest -f mp4"},
        {"clock.mkv", stripes(320, 240, 25, 20) + " " + sine(20) +
                          " -c:v libx264 -preset veryfast -g 50 -sc_threshold 0"
                          " -c:a libvorbis -shortest -f matroska"},
        {"clock.webm", stripes(320, 240, 25, 10) + " " + sine(10) +
                           " -c:v libvpx -b:v 1M -g 50 -c:a libvorbis -shortest -f webm"},
        {"clock.mpg", stripes(320, 240, 25, 10) + " " + sine(10) +
                          " -c:v mpeg1video -q:v 3 -g 25 -c:a mp2 -shortest -f mpeg"},
        {"clock2.mpg", stripes(320, 240, 25, 10) + " " + sine(10) +
                           " -c:v mpeg2video -q:v 3 -g 25 -c:a mp2 -shortest -f vob"},
        {"clock.vob", stripes(320, 240, 25, 10) + " " + sine(10) +
                          " -c:v mpeg2video -q:v 3 -g 15 -c:a ac3 -shortest -f vob"},
        // Sound from 1 s to 3 s only: it starts after the pictures and then runs out.
        {"gaps.mpg", stripes(320, 240, 25, 8) + " -itsoffset 1 " + sine(2) +
                         " -c:v mpeg1video -q:v 3 -g 25 -c:a mp2 -f mpeg"},
        {"clock.avi", stripes(320, 240, 25, 10) + " " + sine(10) +
                          " -c:v mpeg4 -q:v 3 -g 50 -c:a pcm_s16le -shortest -f avi"},
        {"clock.divx", stripes(320, 240, 25, 10) + " -c:v mpeg4 -q:v 3 -g 50 -f avi"},
        {"clock.wmv", stripes(320, 240, 25, 10) + " " + sine(10) +
                          " -c:v wmv2 -q:v 3 -g 50 -c:a wmav2 -shortest -f asf"},
        {"clock.mov", stripes(320, 240, 25, 10) + " " + sine(10) +
                          " -c:v libx264 -preset veryfast -g 50 -c:a aac -shortest -f mov"},
        // testsrc2's picture reads differently in every direction, unlike the stripes.
        {"pattern.mp4",
         "-f lavfi -i testsrc2=size=320x240:rate=25:duration=4"
         " -c:v libx264 -preset veryfast -g 50 -pix_fmt yuv420p -f mp4"},
        // Each picture weaves two moments 20 ms apart, coded as interlaced MPEG-2.
        {"interlaced.mpg",
         "-f lavfi -i \"testsrc2=size=320x240:rate=50:duration=4,tinterlace=mode=interleave_top,"
         "setfield=tff\" -c:v mpeg2video -q:v 2 -flags +ilme+ildct -top 1 -g 12 -f mpeg"},
        // The same woven pictures coded as progressive, with the field order in the container.
        {"woven.mkv",
         "-f lavfi -i \"testsrc2=size=320x240:rate=50:duration=4,tinterlace=mode=interleave_top\""
         " -c:v mpeg4 -q:v 2 -field_order tt -g 12 -f matroska"},
        {"clock30.mp4",
         stripes(320, 240, 30, 10) + " -c:v libx264 -preset veryfast -g 60 -an -f mp4"},
        {"short.mp4", stripes(320, 240, 25, 0.4) + " -c:v libx264 -preset veryfast -an -f mp4"},
        // 29.97 frames a second (no frame but the first starts on a whole millisecond), a
        // keyframe every 250 frames, B-frames.
        {"steps.mp4", stripes(320, 240, "30000/1001", 9) +
                          " -c:v libx264 -preset veryfast -g 250 -keyint_min 250"
                          " -sc_threshold 0 -an -f mp4"},
        // Frames 55, 40 and 25 ms apart in turn, a keyframe every 250 frames.
        {"steps_vfr.mp4",
         stripes(320, 240, "25", 11, ",settb=1/1000,setpts=N*40+if(mod(N\\,3)\\,15\\,0)") +
             " -fps_mode passthrough -c:v libx264 -preset veryfast -g 250 -keyint_min 250"
             " -sc_threshold 0 -video_track_timescale 1000 -an -f mp4"},
        {"tone.wav", sine(5) + " -c:a pcm_s16le -f wav"},
        {"tone.mp3", sine(5) + " -c:a libmp3lame -b:a 128k -f mp3"},
        {"tone.mpa", sine(5) + " -c:a mp2 -b:a 128k -f mp2"},
    };
    auto it = table.find(name);
    return it == table.end() ? std::string() : it->second;
}

bool makeFixture(const std::string& name, const std::string& out) {
    const std::string temp = out + ".tmp";
    std::error_code ec;
    if (name == "noise.bin") {
        std::mt19937 rng(1234);
        std::ofstream f(temp, std::ios::binary);
        for (int i = 0; i < 4096; ++i) f.put(char(rng() & 0xff));
        if (!f) return false;
    } else if (name == "empty.mp4") {
        std::ofstream f(temp, std::ios::binary);
        if (!f) return false;
    } else if (name.rfind("turned", 0) == 0) {
        // pattern.mp4 with a display matrix that turns it by the degrees in the name.
        const std::string source = fixture("pattern.mp4");
        const std::string degrees = name.substr(6, name.find('.') - 6);
        if (source.empty() ||
            run("ffmpeg -nostdin -hide_banner -loglevel error -y -i \"" + source +
                "\" -c copy -metadata:s:v rotate=" + degrees + " -f mp4 \"" + temp + "\"") != 0)
            return false;
    } else if (name == "truncated.mp4" || name == "truncated.mpg") {
        const std::string source = fixture(name == "truncated.mp4" ? "clock.mp4" : "clock.mpg");
        if (source.empty()) return false;
        const auto size = fs::file_size(source, ec);
        if (ec) return false;
        fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
        if (ec) return false;
        fs::resize_file(temp, size / 2, ec);
        if (ec) return false;
    } else if (name == "damaged.mp4" || name == "damaged_end.mp4") {
        // clock.mp4's bytes from the video packet shown at 8.4 s to the one shown at 11.6 s
        // (or from 18.4 s to its last picture) zeroed, as a bad sector or a broken download
        // leaves them; the index stays whole.
        const bool toEnd = name == "damaged_end.mp4";
        const double first = toEnd ? 18.4 : 8.4, last = toEnd ? 1e9 : 11.6;
        const std::string source = fixture("clock.mp4");
        const std::string list = out + ".packets";
        if (source.empty() ||
            run("ffprobe -v error -select_streams v -show_entries packet=pts_time,pos,size "
                "-of csv=p=0 \"" +
                source + "\" > \"" + list + "\"") != 0)
            return false;
        int64_t from = -1, to = -1, ends = -1;
        std::ifstream packets(list);
        double t = 0;
        char comma = 0;
        int64_t pos = 0, size = 0;
        // ffprobe writes the fields in its own order: time, size, position.
        while (packets >> t >> comma >> size >> comma >> pos) {
            if (t >= first && (from < 0 || pos < from)) from = pos;
            if (t >= last && (to < 0 || pos < to)) to = pos;
            ends = std::max(ends, pos + size);
        }
        if (toEnd) to = ends;
        fs::remove(list, ec);
        fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
        if (ec || from < 0 || to <= from) return false;
        std::fstream f(temp, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(from);
        const std::string zeros(std::size_t(to - from), '\0');
        f.write(zeros.data(), std::streamsize(zeros.size()));
        if (!f) return false;
    } else {
        const std::string args = recipe(name);
        if (args.empty()) return false;
        const std::string cmd =
            "ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " \"" + temp + "\"";
        if (run(cmd) != 0) return false;
    }
    fs::rename(temp, out, ec);
    return !ec;
}

}  // namespace

const std::vector<std::string>& fixturesWithSound() {
    static const std::vector<std::string> names = {
        "clock.mp4", "clock.mkv", "clock.webm", "clock.mpg", "clock2.mpg", "clock.vob", "gaps.mpg",
        "clock.avi", "clock.wmv", "clock.mov",  "tone.wav",  "tone.mp3",   "tone.mpa"};
    return names;
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    if (status == -1) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

bool writeToolFrame(const std::string& media, int n, const std::string& bmp,
                    const std::string& filters) {
    const std::string chain =
        (filters.empty() ? "" : filters + ",") + "select=eq(n\\," + std::to_string(n) + ")";
    return run("ffmpeg -nostdin -hide_banner -loglevel error -y -i \"" + media + "\" -vf \"" +
               chain +
               "\" -frames:v 1 -sws_flags bicubic+accurate_rnd+full_chroma_int -pix_fmt bgr24 \"" +
               bmp + "\"") == 0;
}

std::string fixtureDir() {
    const char* env = std::getenv("STILLMAR_FIXTURES");
    std::string dir = env && *env ? env : STILLMAR_FIXTURE_DIR;
    fs::create_directories(dir);
    return fs::absolute(dir).string();
}

std::string makeTempDir(const std::string& tag) {
    std::string pattern = (fs::temp_directory_path() / ("stillmar-" + tag + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

std::string fixture(const std::string& name) {
    const std::string dir = fixtureDir();
    const std::string out = dir + "/" + name;
    if (fs::exists(out)) return out;
    // Several test programs may ask for the same fixture at once: one makes it.
    const std::string lockPath = dir + "/.lock-" + name;
    const int lock = ::open(lockPath.c_str(), O_CREAT | O_RDWR, 0644);
    if (lock >= 0) flock(lock, LOCK_EX);
    bool ok = fs::exists(out) || makeFixture(name, out);
    if (lock >= 0) {
        flock(lock, LOCK_UN);
        ::close(lock);
    }
    if (!ok) {
        ADD_FAILURE() << "cannot generate fixture " << name;
        return {};
    }
    return out;
}

int decodeFrameNumber(const uint32_t* pixels, int width, int height, int stride) {
    if (!pixels || width < kFrameBits * 2 || height < 2) return -1;
    int n = 0;
    const int y = height / 2;
    for (int bit = 0; bit < kFrameBits; ++bit) {
        const int x = int((bit + 0.5) * width / kFrameBits);
        const uint32_t p = pixels[size_t(y) * size_t(stride) + size_t(x)];
        const int luma =
            (int((p >> 16) & 0xff) * 299 + int((p >> 8) & 0xff) * 587 + int(p & 0xff) * 114) / 1000;
        if (luma > 90 && luma < 170) return -1;  // neither black nor white: not a stripe
        if (luma >= 170) n |= 1 << bit;
    }
    return n;
}

}  // namespace stillmar::test
