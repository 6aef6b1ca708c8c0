#pragma once
// One opened media file: demuxer, decoders and the video decoder's position. The engine keeps
// it warm in the source cache between a close and a reopen of the same file, so that the next
// exact seek can often decode forward from where the previous one stopped.
//
// Threads. Reading and video decoding (the seeks, decodeAhead(), nextVideo(), the steps,
// readAhead(), the audio-only pumping, decodedFrames(), and the setters) belong to one thread at a
// time: the engine's decode thread while it runs, its owner otherwise. The audio codec
// (audioCodec()) decodes on the engine's audio thread only; its owner reads its rate once before
// that thread is given a packet. From any thread: info(), firstFrame(), framePtsMs(), the audio
// time base and start (all fixed once open), firstImage()/keepFirstImage() (under their own lock),
// the converters (each locks itself), and raising the interrupt flag.
//
// Its reading side is in demuxer.cpp, its video decoding in video_decoder.cpp.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/mci/engine/ff.h"
#include "platform/mci/engine/frame_converter.h"
#include "platform/mci/engine/video_filter.h"
#include "platform/mci/media_engine.h"

namespace stillmar::mci::engine {

class MediaSource {
  public:
    static std::unique_ptr<MediaSource> open(const std::string& path, EngineStatus& status);
    // The same from bytes in memory, kept by the source: nothing else is opened, whatever the
    // bytes name (the fuzz target reads its inputs this way).
    static std::unique_ptr<MediaSource> openMemory(std::vector<uint8_t> bytes,
                                                   EngineStatus& status);
    ~MediaSource();
    MediaSource(const MediaSource&) = delete;
    MediaSource& operator=(const MediaSource&) = delete;

    const MediaInfo& info() const { return info_; }

    // The frame whose display time contains `ms` (the last frame at or before it, counted from
    // the video stream's start). When the pictures after that frame up to `ms` could not be
    // decoded (a damaged stretch), the whole picture nearest to `ms` instead, before or after
    // it, and seekShowsTarget() is false. Null when no picture can be decoded from `ms` to the
    // end. `reseek` forces a demuxer seek (so that the audio packets around `ms` are read
    // again; when the decoder already stands there, its video packets are then passed over
    // instead of decoded again). The frame stays valid until the next call.
    const AVFrame* seekVideo(int64_t ms, bool reseek);
    // Whether the frame the last seekVideo() gave stands for its target.
    bool seekShowsTarget() const { return atTarget_; }
    // Said by the owner when it takes the file warm from the source cache. Seeks made each
    // after a reopen, a fixed step apart, are a capture run's: it reopens its file to stand one
    // second of media further on each time.
    void noteReopened() { reopened_ = true; }
    // While the device stands still after such a seek: decodes on to the seek one step further
    // on, so that the next reopen finds its frame decoded. The frame shown stays the current
    // one; a seek elsewhere, a play or a step from it costs what it would have cost from
    // wherever the decoder now stands (a play goes back to the frame shown when it begins).
    // False when there was nothing to decode ahead. Not interrupted: it lasts one seek.
    bool decodeAhead();
    // The next frame in display order; null at the end, on a fatal error, or when the
    // interrupt flag is raised before the next packet is read (the file then goes on where it
    // stood at the next call). Damaged pictures are passed over (see decodeRaw()).
    const AVFrame* nextVideo();
    // Frame steps (frame_steps.cpp), `ticks` being a frame's time in the stream's time base.
    // The frame after the one at `ticks` in display order: decoded on from it, after an exact
    // seek to it when the decoder stands elsewhere; null at the end, on a fatal error, or when
    // interrupted as nextVideo() is.
    const AVFrame* videoAfter(int64_t ticks);
    // The frames before the one at `ticks`, decoded in one go from the keyframe before it, as
    // they are shown: the latest that fit in `keepBytes` go to `run`, oldest first. Leaves the
    // decoder at the last of them. False when there is none (the first frame) or on an error.
    bool videoBefore(int64_t ticks, std::size_t keepBytes, std::vector<FramePtr>& run);
    // Where a step to `frame` puts the device: the first whole millisecond inside the frame
    // that the frames time format also reads as this frame, so that a seek there shows it.
    int64_t framePositionMs(const AVFrame* frame) const;
    // Raised by the owner to stop nextVideo() early; null: never (thread-safe to raise).
    void setInterrupt(const std::atomic<bool>* flag) { interrupt_ = flag; }
    const AVFrame* firstFrame() const { return first_.get(); }
    // The first frame as last converted for a surface: a warm reopen shows it again without
    // converting (thread-safe).
    VideoFramePtr firstImage(const AVFrame* frame, Size size) const;
    void keepFirstImage(const AVFrame* frame, VideoFramePtr image);
    int64_t framePtsMs(const AVFrame* frame) const;
    // Converters kept with the file, so that a warm reopen does not set up its scalers again:
    // one for the pictures surfaces draw (shared with them), one over every core for captures.
    std::shared_ptr<SharedConverter> drawConverter() const { return drawConverter_; }
    SharedConverter& captureConverter() { return captureConverter_; }
    // Frames decoded since the file was opened (those skipped unseen are not counted).
    int64_t decodedFrames() const { return decoded_; }

    // Audio-only files: seek, then read packets (handed to the audio sink); false at the end.
    void seekAudio(int64_t ms);
    bool pumpAudio();

    // Receives the audio packets read while decoding video; without a sink they are dropped.
    // The sink returns false to drop a packet it cannot take.
    void setAudioSink(std::function<bool(PacketPtr)> sink) { audioSink_ = std::move(sink); }
    // Reads one packet ahead of the video decoder: sound goes to the sink, video is kept for
    // the decoder. Containers may store the sound well after the pictures it plays with (MPEG
    // program streams by most of a second), more than the decoded frames in flight can cover.
    // False at the end of the input or when the kept video reaches its bound.
    bool readAhead();
    AVCodecContext* audioCodec() const { return audio_.get(); }
    AVRational audioTimeBase() const;
    // Position 0 in the sound's time base: the video's start when there is video, so that
    // both streams count from the same origin.
    int64_t audioStartTicks() const { return aStart_; }

  private:
    MediaSource() = default;
    static int interruptCallback(void* opaque);
    void armDeadline();
    struct MemoryInput;
    EngineStatus openFile(const std::string& path);
    EngineStatus openBytes(std::vector<uint8_t> bytes);
    EngineStatus openFormat(FormatPtr format, const std::string& url, Dictionary& options);
    EngineStatus openStreams();
    bool openDecoder(int index, CodecPtr& out);
    void fillInfo();
    int64_t scanVideoEnd();

    int readPacket(AVPacket* pkt);
    bool demuxSeek(int64_t videoTicks);
    bool feedVideo();
    // The next whole picture in display order. A picture is damaged, and never given, when
    // the decoder flags it, or when it comes out after the decoder reported damaged input or
    // after a picture sent to it did not come out (it is lost), before the next keyframe (it
    // may refer to what was lost). Lost and damaged pictures are kept in lost_.
    FramePtr decodeRaw();
    void noteLosses(int64_t ticks);
    bool lostWithin(int64_t after, int64_t upTo) const;
    void forgetLossesTo(int64_t ticks);
    int64_t frameTicks(const AVFrame* f) const { return f->best_effort_timestamp; }
    int64_t frameDuration(const AVFrame* f) const;
    bool sameGroupOfPictures(int64_t fromTicks, int64_t toTicks) const;
    // The steps of an exact seek (seekVideo). Where decoding towards a target stopped: the
    // last picture at or before it, the one after it when decoded, or a landing past the
    // target that asks for an earlier start.
    struct Landing {
        FramePtr candidate, after;
        bool overshoot = false;
    };
    // A seek onto the picture the decoder holds: only the demuxer goes back. False when the
    // decoder's input cannot be followed by its packets' decoding times.
    bool replayFromDemuxer(int64_t target);
    const AVFrame* seekTicks(int64_t target, bool reseek);
    // Decodes to the picture for `target`, forward from cur_ or after a demuxer seek; none
    // when the demuxer cannot seek or no landing is found.
    std::optional<Landing> landOn(int64_t target, bool forward);
    Landing decodeUpTo(int64_t target, bool forward, bool canGoBack);
    bool skippedOverAGap(int64_t target, const Landing& land) const;
    // Takes the landing as the seek's frame; null when the target has no picture to stand for it.
    const AVFrame* standAt(int64_t target, Landing land);
    bool holds(const AVFrame* f, int64_t ticks) const {
        return f && frameTicks(f) <= ticks && ticks < frameTicks(f) + frameDuration(f);
    }
    // A seek decoded ahead (decodeAhead()) and not yet taken: the decoder stands where it
    // ended, while cur_ is still the frame shown.
    struct Ahead {
        int64_t target = AV_NOPTS_VALUE;
        std::optional<Landing> land;  // none: that seek found no landing
        bool atTarget = true, damageSeen = false;
    };
    // Makes the seek decoded ahead the current one, as if it had just been made; its frame.
    const AVFrame* takeAhead();
    // Playback and steps go on from the frame shown: after a seek decoded ahead, the decoder
    // goes back to it.
    void backToShown();
    // One pass of videoBefore() from where the demuxer stands: decodes up to `ticks`, keeping
    // in `kept` the latest frames from `keepFrom` on that fit in `keepBytes`. Returns the time
    // of the last frame before `ticks` (AV_NOPTS_VALUE: none), with the frame that ended the
    // pass, if any, in `end`.
    int64_t decodeStretch(int64_t ticks, int64_t keepFrom, std::size_t keepBytes,
                          std::deque<FramePtr>& kept, FramePtr& end);
    const AVFrame* shown();

    std::unique_ptr<MemoryInput> memory_;  // outlives the demuxer reading it
    int decodeThreads_ = 0;                // 0: one per core
    FormatPtr format_;
    CodecPtr video_, audio_;
    int vIndex_ = -1, aIndex_ = -1;
    int64_t vStart_ = 0, aStart_ = 0;
    int64_t defaultDuration_ = 1;
    int64_t videoEnd_ = AV_NOPTS_VALUE;
    MediaInfo info_;
    std::atomic<int64_t> deadlineNs_{0};

    FramePtr cur_, lookahead_, first_;
    // cur_ upright and deinterlaced when it needs it, with the frame before it kept for the
    // deinterlacer once the stream has shown an interlaced frame.
    std::unique_ptr<VideoFilter> filter_;
    FramePtr prev_, shown_;
    const AVFrame* shownOf_ = nullptr;
    bool keepPrev_ = false;
    int64_t targetTicks_ = AV_NOPTS_VALUE;      // while catching up to a seek target
    int64_t fedBeforeTarget_ = AV_NOPTS_VALUE;  // the latest packet sent at or before it
    int64_t lastTicks_ = AV_NOPTS_VALUE;
    bool fresh_ = true;     // nothing decoded yet, the demuxer is at the start
    bool waitKey_ = false;  // after a demuxer seek: drop video packets up to a keyframe
    int keyWait_ = 0;
    bool inputEnded_ = false, drained_ = false;
    int errors_ = 0;  // decoding errors in a row, with no packet taken nor picture given
    // Display times of the video packets sent since the decoder was flushed whose picture has
    // not come out whole yet, and of the pictures known lost (see decodeRaw()).
    std::vector<int64_t> unshown_, lost_;
    bool damagedInput_ = false;  // the decoder reported damage since it was flushed
    bool damageSeen_ = false;    // ... since the current seek began
    bool tainted_ = false;       // damage or a lost picture since the last keyframe given
    int64_t lastKeyTicks_ = AV_NOPTS_VALUE;
    bool atTarget_ = true;
    bool skipNonRef_ = false;
    std::optional<Ahead> ahead_;
    // The last seek asked for (seekVideo() without reseek), the step from the one before it
    // when a reopen came between them (0: none), and whether a reopen came since.
    int64_t lastTarget_ = AV_NOPTS_VALUE;
    int64_t stride_ = 0;
    bool reopened_ = false;
    // The last video packet sent to the decoder since it was flushed (and whether one had no
    // decode time), and after a seek of the demuxer alone, the packets it has had already.
    int64_t lastFedDts_ = AV_NOPTS_VALUE;
    bool fedWithoutDts_ = false;
    int64_t replayTo_ = AV_NOPTS_VALUE;
    const std::atomic<bool>* interrupt_ = nullptr;
    bool interruptible_ = false;  // inside nextVideo()
    int64_t decoded_ = 0;
    std::function<bool(PacketPtr)> audioSink_;
    std::deque<PacketPtr> readAhead_;  // video packets read before the decoder wanted them
    std::size_t readAheadBytes_ = 0;
    std::shared_ptr<SharedConverter> drawConverter_ =
        std::make_shared<SharedConverter>(FrameConverter::allCores());
    SharedConverter captureConverter_{FrameConverter::allCores()};
    mutable std::mutex imageMutex_;
    VideoFramePtr firstImages_[2];  // the window's first size and the size it is put at
};

}  // namespace stillmar::mci::engine
