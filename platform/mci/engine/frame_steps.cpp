// Frame steps: the decoder's frame after a given one and the stretch before it (decoded in one
// go from the keyframe, so that stepping back does not decode a whole group of pictures again
// for every frame). The decode stage (decode_stage.cpp) steps through the frames it keeps in
// the FrameStore and asks for these when it runs out.
#include <algorithm>

#include "platform/mci/engine/frame_store.h"
#include "platform/mci/engine/media_source.h"

namespace stillmar::mci::engine {
namespace {

constexpr int kMaxSeekRetries = 5;

}  // namespace

int64_t MediaSource::framePositionMs(const AVFrame* frame) const {
    if (!frame || vIndex_ < 0) return 0;
    const AVRational tb = format_->streams[vIndex_]->time_base;
    if (tb.num <= 0 || tb.den <= 0) return 0;
    const int64_t start = std::max<int64_t>(0, frameTicks(frame) - vStart_);
    const int64_t end = start + frameDuration(frame);
    // Up, so that the millisecond lies inside the frame (29.97 fps frames start between two).
    int64_t ms = av_rescale_rnd(start, int64_t(tb.num) * 1000, tb.den, AV_ROUND_UP);
    // The frames format counts frames of exactly 1000 / rate ms, which drift from the stream's
    // own times at rates like 29.97: a millisecond or two later it reads this frame too.
    const FrameRate rate = info_.frameRate();
    if (rate.known()) {
        // The frame number the frames format gives this frame: its start, to the nearest.
        const int64_t n = av_rescale_rnd(start, int64_t(tb.num) * rate.milliFps,
                                         int64_t(tb.den) * 1000, AV_ROUND_NEAR_INF);
        const int64_t framesMs = frameStartMs(n, rate);
        if (framesMs > ms && framesMs - ms <= 2 && fromMs(framesMs, tb) < end) ms = framesMs;
    }
    return ms;
}

const AVFrame* MediaSource::videoAfter(int64_t ticks) {
    if (vIndex_ < 0) return nullptr;
    if (!cur_ || frameTicks(cur_.get()) != ticks) {
        const AVRational tb = format_->streams[vIndex_]->time_base;
        if (tb.num <= 0 || tb.den <= 0) return nullptr;
        const int64_t ms = av_rescale_rnd(std::max<int64_t>(0, ticks - vStart_),
                                          int64_t(tb.num) * 1000, tb.den, AV_ROUND_UP);
        seekTicks(vStart_ + fromMs(ms, tb), false);
        if (!cur_ || frameTicks(cur_.get()) != ticks) return nullptr;
    }
    return nextVideo();
}

bool MediaSource::videoBefore(int64_t ticks, std::size_t keepBytes, std::vector<FramePtr>& run) {
    run.clear();
    if (vIndex_ < 0 || (first_ && ticks <= frameTicks(first_.get()))) return false;
    ahead_.reset();  // the stretch begins with a demuxer seek
    AVStream* vs = format_->streams[vIndex_];
    // Pictures nothing refers to, before the frames that will be kept, are not decoded: the
    // stretch then costs about what an exact seek to its last frame costs.
    const std::size_t frameBytes = first_ ? FrameStore::frameBytes(first_.get()) : 0;
    const int64_t fitting =
        int64_t(std::max<std::size_t>(1, keepBytes / std::max<std::size_t>(1, frameBytes)));
    // The stream's nominal rate may be far above its frames' (variable rates): the average
    // spacing, when longer, keeps the stretch from ending up a few frames long.
    int64_t spacing = defaultDuration_;
    if (vs->avg_frame_rate.num > 0 && vs->avg_frame_rate.den > 0)
        spacing = std::max(spacing, av_rescale_q(1, av_inv_q(vs->avg_frame_rate), vs->time_base));
    int64_t keepFrom = ticks - fitting * spacing;
    int64_t seekTo = ticks - 1;
    const bool skippable =
        video_->codec_id == AV_CODEC_ID_H264 || video_->codec_id == AV_CODEC_ID_HEVC;
    for (int attempt = 0; attempt <= kMaxSeekRetries; ++attempt) {
        if (!demuxSeek(seekTo)) return false;
        skipNonRef_ = skippable;
        targetTicks_ = keepFrom;
        fedBeforeTarget_ = AV_NOPTS_VALUE;
        std::deque<FramePtr> kept;
        FramePtr end;
        const int64_t lastBefore = decodeStretch(ticks, keepFrom, keepBytes, kept, end);
        // Nothing before `ticks` decoded: the demuxer landed after it (no index).
        const bool overshoot = lastBefore == AV_NOPTS_VALUE && seekTo > vStart_;
        if (end && !overshoot) lookahead_ = std::move(end);
        targetTicks_ = AV_NOPTS_VALUE;
        video_->skip_frame = AVDISCARD_DEFAULT;
        if (overshoot) {
            seekTo = std::max(vStart_, seekTo - fromMs(1000LL << attempt, vs->time_base));
            continue;
        }
        if (lastBefore == AV_NOPTS_VALUE) return false;
        if (kept.empty()) {
            // Frames lie further apart than the stream's rate says: again, keeping from the
            // last one found.
            keepFrom = lastBefore;
            continue;
        }
        run.assign(std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
        return true;
    }
    return false;
}

int64_t MediaSource::decodeStretch(int64_t ticks, int64_t keepFrom, std::size_t keepBytes,
                                   std::deque<FramePtr>& kept, FramePtr& end) {
    std::size_t bytes = 0;
    int64_t lastBefore = AV_NOPTS_VALUE;
    while (true) {
        FramePtr f = decodeRaw();
        if (!f || frameTicks(f.get()) >= ticks) {
            end = std::move(f);
            return lastBefore;
        }
        lastBefore = frameTicks(f.get());
        if (keepPrev_ && cur_) prev_ = std::move(cur_);
        cur_ = std::move(f);
        // Frames before keepFrom may have gaps (skipped pictures); from it on, none.
        if (lastBefore < keepFrom) continue;
        FramePtr shownFrame = refFrame(shown());
        if (!shownFrame) continue;
        bytes += FrameStore::frameBytes(shownFrame.get());
        kept.push_back(std::move(shownFrame));
        while (bytes > keepBytes && kept.size() > 1) {
            bytes -= FrameStore::frameBytes(kept.front().get());
            kept.pop_front();
        }
    }
}

}  // namespace stillmar::mci::engine
