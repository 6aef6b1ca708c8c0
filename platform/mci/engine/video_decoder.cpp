// Video decoding: frames in display order, exact seeks (forward within a group of pictures,
// non-reference pictures before the target left undecoded, a demuxer-only reseek that replays
// the sound), the deinterlace/rotation filter, and the decode-ahead of a capture run's next
// seek. The thread that runs it is the engine's decode stage (decode_stage.h).
#include <algorithm>

#include "platform/mci/engine/media_source.h"

namespace stillmar::mci::engine {
namespace {

constexpr int kMaxDecodeErrors = 64;
constexpr int kMaxKeyWait = 600;  // packets; some demuxers never flag keyframes
constexpr int kMaxSeekRetries = 5;
// The longest step between a capture run's seeks that is decoded ahead.
constexpr int64_t kMaxAheadStrideMs = 5000;

}  // namespace

VideoFramePtr MediaSource::firstImage(const AVFrame* frame, Size size) const {
    if (!frame || !first_ || frame->data[0] != first_->data[0]) return nullptr;
    const Size want = size.w > 0 && size.h > 0 ? size : Size{frame->width, frame->height};
    std::lock_guard lock(imageMutex_);
    for (const VideoFramePtr& image : firstImages_) {
        if (image && Size{image->width, image->height} == want) return image;
    }
    return nullptr;
}

void MediaSource::keepFirstImage(const AVFrame* frame, VideoFramePtr image) {
    if (!image || !frame || !first_ || frame->data[0] != first_->data[0]) return;
    std::lock_guard lock(imageMutex_);
    firstImages_[1] = std::move(firstImages_[0]);
    firstImages_[0] = std::move(image);
}

int64_t MediaSource::framePtsMs(const AVFrame* frame) const {
    if (!frame || vIndex_ < 0) return 0;
    return toMs(frameTicks(frame) - vStart_, format_->streams[vIndex_]->time_base);
}

int64_t MediaSource::frameDuration(const AVFrame* f) const {
    return f->pkt_duration > 0 ? f->pkt_duration : defaultDuration_;
}

bool MediaSource::feedVideo() {
    PacketPtr pkt = makePacket();
    if (!pkt) return false;
    while (true) {
        av_packet_unref(pkt.get());
        if (!readAhead_.empty()) {
            pkt = std::move(readAhead_.front());
            readAhead_.pop_front();
            readAheadBytes_ -= std::min<std::size_t>(readAheadBytes_, std::size_t(pkt->size));
        } else if (readPacket(pkt.get()) < 0) {
            return false;
        }
        if (pkt->stream_index == aIndex_) {
            if (audioSink_) {
                PacketPtr copy = makePacket();
                if (copy && av_packet_ref(copy.get(), pkt.get()) >= 0) audioSink_(std::move(copy));
            }
            continue;
        }
        if (pkt->stream_index != vIndex_) continue;
        if (replayTo_ != AV_NOPTS_VALUE) {
            // Read again for the sound only: the decoder has had these.
            if (pkt->dts != AV_NOPTS_VALUE && pkt->dts <= replayTo_) continue;
            replayTo_ = AV_NOPTS_VALUE;
        }
        if (waitKey_) {
            if (!(pkt->flags & AV_PKT_FLAG_KEY) && ++keyWait_ < kMaxKeyWait) continue;
            waitKey_ = false;
        }
        // While catching up to a target, a picture nothing refers to need not be decoded at
        // all once a later one, still at or before the target, has been sent: it cannot be the
        // target's. (Packet durations cannot tell: at a variable rate they may be anything.)
        bool skip = false;
        if (skipNonRef_ && targetTicks_ != AV_NOPTS_VALUE && pkt->pts != AV_NOPTS_VALUE) {
            skip = fedBeforeTarget_ != AV_NOPTS_VALUE && pkt->pts < fedBeforeTarget_;
            if (pkt->pts <= targetTicks_ &&
                (fedBeforeTarget_ == AV_NOPTS_VALUE || pkt->pts > fedBeforeTarget_))
                fedBeforeTarget_ = pkt->pts;
        }
        video_->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        lastFedDts_ = pkt->dts;
        fedWithoutDts_ = fedWithoutDts_ || pkt->dts == AV_NOPTS_VALUE;
        // A picture skipped on purpose is not awaited.
        if (!skip && pkt->pts != AV_NOPTS_VALUE) unshown_.push_back(pkt->pts);
        const int rc = avcodec_send_packet(video_.get(), pkt.get());
        if (rc >= 0) {
            errors_ = 0;
            return true;
        }
        // A packet the decoder refuses is passed over, however many follow: a damaged stretch
        // of a file is read through to the pictures after it.
        if (translate(rc) != FfStatus::Corrupt) return false;
        damagedInput_ = damageSeen_ = tainted_ = true;
    }
}

void MediaSource::noteLosses(int64_t ticks) {
    // Pictures come out in display order: one sent earlier than `ticks` that has not come out
    // by now never will.
    bool lost = false;
    std::erase_if(unshown_, [&](int64_t t) {
        if (t < ticks && damagedInput_) {
            lost_.push_back(t);
            // A keyframe's leading pictures (shown before it, referring to what preceded it)
            // are not needed by what follows it.
            lost = lost || lastKeyTicks_ == AV_NOPTS_VALUE || t > lastKeyTicks_;
        }
        return t <= ticks;
    });
    if (lost) tainted_ = true;
}

bool MediaSource::lostWithin(int64_t after, int64_t upTo) const {
    return std::any_of(lost_.begin(), lost_.end(),
                       [&](int64_t t) { return t > after && t <= upTo; });
}

void MediaSource::forgetLossesTo(int64_t ticks) {
    std::erase_if(lost_, [&](int64_t t) { return t <= ticks; });
}

FramePtr MediaSource::decodeRaw() {
    if (lookahead_) return std::move(lookahead_);
    FramePtr frame = makeFrame();
    if (!frame) return nullptr;
    while (true) {
        const int rc = avcodec_receive_frame(video_.get(), frame.get());
        if (rc >= 0) {
            if (frame->best_effort_timestamp == AV_NOPTS_VALUE) {
                frame->best_effort_timestamp =
                    lastTicks_ == AV_NOPTS_VALUE ? vStart_ : lastTicks_ + defaultDuration_;
            }
            const int64_t t = frame->best_effort_timestamp;
            lastTicks_ = t;
            fresh_ = false;
            errors_ = 0;
            ++decoded_;
            if (frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT) != 0) {
                // Concealed by the decoder: it stays awaited, and is lost when a later picture
                // comes out; what follows may refer to it.
                damagedInput_ = damageSeen_ = tainted_ = true;
                av_frame_unref(frame.get());
                continue;
            }
            noteLosses(t);
            if (frame->key_frame) {
                // A whole keyframe starts afresh: what the decoder holds back after it is not
                // taken for lost.
                lastKeyTicks_ = t;
                tainted_ = damagedInput_ = false;
            }
            if (tainted_) {
                lost_.push_back(t);
                av_frame_unref(frame.get());
                continue;
            }
            return frame;
        }
        const FfStatus s = translate(rc);
        if (s == FfStatus::NeedsInput) {
            // Stopping here loses nothing: what was sent stays in the decoder for next time.
            if (interruptible_ && interrupt_ && interrupt_->load(std::memory_order_relaxed))
                return nullptr;
            if (feedVideo()) continue;
            if (drained_) return nullptr;
            inputEnded_ = drained_ = true;
            video_->skip_frame = AVDISCARD_DEFAULT;
            if (avcodec_send_packet(video_.get(), nullptr) < 0) return nullptr;
            continue;
        }
        if (s == FfStatus::Corrupt && ++errors_ <= kMaxDecodeErrors) {
            damagedInput_ = damageSeen_ = tainted_ = true;
            continue;
        }
        if (s == FfStatus::EndOfStream) noteLosses(INT64_MAX);  // nothing more comes out
        return nullptr;
    }
}

bool MediaSource::sameGroupOfPictures(int64_t fromTicks, int64_t toTicks) const {
    AVStream* vs = format_->streams[vIndex_];
    if (avformat_index_get_entries_count(vs) > 0) {
        const int i = av_index_search_timestamp(vs, toTicks, AVSEEK_FLAG_BACKWARD);
        if (i < 0) return false;
        const AVIndexEntry* key = avformat_index_get_entry(vs, i);
        return key && key->timestamp <= fromTicks;
    }
    // Without an index a short step forward is cheaper than a seek.
    return toTicks - fromTicks <= fromMs(1500, vs->time_base);
}

bool MediaSource::replayFromDemuxer(int64_t target) {
    if (lastFedDts_ == AV_NOPTS_VALUE || fedWithoutDts_ || inputEnded_ || waitKey_) return false;
    armDeadline();
    if (avformat_seek_file(format_.get(), vIndex_, INT64_MIN, target, target, 0) < 0) return false;
    replayTo_ = lastFedDts_;
    // Packets read ahead of the decoder come again from the demuxer.
    readAhead_.clear();
    readAheadBytes_ = 0;
    return true;
}

MediaSource::Landing MediaSource::decodeUpTo(int64_t target, bool forward, bool canGoBack) {
    targetTicks_ = target;
    fedBeforeTarget_ = AV_NOPTS_VALUE;
    damageSeen_ = false;
    Landing land;
    if (forward && cur_ && frameTicks(cur_.get()) <= target) land.candidate = std::move(cur_);
    if (land.candidate) forgetLossesTo(frameTicks(land.candidate.get()));
    while (true) {
        FramePtr f = decodeRaw();
        if (!f) {
            // The demuxer landed after the last keyframe before the end: go back.
            land.overshoot = !land.candidate && canGoBack;
            break;
        }
        const int64_t t = frameTicks(f.get());
        if (t <= target) {
            const bool contains = target < t + frameDuration(f.get());
            if (keepPrev_ && land.candidate) prev_ = std::move(land.candidate);
            land.candidate = std::move(f);
            forgetLossesTo(t);
            if (contains) break;
            continue;
        }
        if (land.candidate) {
            land.after = std::move(f);
        } else if (canGoBack) {
            land.overshoot = true;  // the demuxer landed after the target: go further back
        } else {
            // Nothing earlier exists: it stands for the target unless pictures before it
            // were lost.
            atTarget_ = lost_.empty();
            land.candidate = std::move(f);
        }
        break;
    }
    targetTicks_ = AV_NOPTS_VALUE;
    video_->skip_frame = AVDISCARD_DEFAULT;
    return land;
}

bool MediaSource::skippedOverAGap(int64_t target, const Landing& land) const {
    // In a file with damage, a target that the last picture before it does not reach, with a
    // later picture decoded: pictures are missing between them. Pictures skipped on purpose
    // hide which, and may hide the nearest whole one. (In a whole file such a gap is only a
    // duration that says little, as at a variable rate.)
    return land.candidate && land.after && skipNonRef_ && damagedInput_ &&
           target >= frameTicks(land.candidate.get()) + frameDuration(land.candidate.get());
}

const AVFrame* MediaSource::standAt(int64_t target, Landing land) {
    FramePtr& candidate = land.candidate;
    if (candidate) {
        const int64_t before = frameTicks(candidate.get());
        const int64_t duration = frameDuration(candidate.get());
        const bool unreached =
            target >= before + duration &&
            (damageSeen_ || (damagedInput_ && land.after && target >= before + 2 * duration));
        if (before <= target && (unreached || lostWithin(before, target))) {
            // The target lies in a damaged stretch: the nearest whole picture is shown, and
            // none when nothing after the target can be decoded.
            atTarget_ = false;
            if (!land.after) {
                cur_ = std::move(candidate);
                return nullptr;
            }
            if (frameTicks(land.after.get()) - target < target - before) {
                prev_.reset();
                candidate = std::move(land.after);
            }
        }
    }
    lookahead_ = std::move(land.after);
    cur_ = std::move(candidate);
    return shown();
}

const AVFrame* MediaSource::seekVideo(int64_t ms, bool reseek) {
    if (vIndex_ < 0) return nullptr;
    const int64_t target =
        vStart_ + fromMs(std::max<int64_t>(0, ms), format_->streams[vIndex_]->time_base);
    if (!reseek) {
        if (target != lastTarget_) {
            stride_ = reopened_ && lastTarget_ != AV_NOPTS_VALUE ? target - lastTarget_ : 0;
            lastTarget_ = target;
        }
        reopened_ = false;
    }
    return seekTicks(target, reseek);
}

const AVFrame* MediaSource::seekTicks(int64_t target, bool reseek) {
    if (ahead_ && !holds(cur_.get(), target)) {
        // Elsewhere than the frame shown: from where the decoder really stands, which is the
        // seek decoded ahead, the very one asked for when it is.
        const bool same = ahead_->target == target;
        const AVFrame* f = takeAhead();
        if (same && (!reseek || !f)) return f;
        const bool at = atTarget_;
        if (same && replayFromDemuxer(target)) {
            atTarget_ = at;
            return f;
        }
    }
    const bool there = holds(cur_.get(), target);
    atTarget_ = true;
    if (!reseek && there) return shown();
    // The decoder shows the target already (a resume where the device stands): only the
    // demuxer goes back, so that the sound around the target is read again, and the video
    // packets the decoder has had are passed over rather than decoded a second time. After a
    // seek decoded ahead, playback goes back to the frame when it begins (backToShown()).
    if (reseek && there && (ahead_ || replayFromDemuxer(target))) return shown();

    const bool forward =
        !reseek && (fresh_ || (cur_ && frameTicks(cur_.get()) < target &&
                               sameGroupOfPictures(frameTicks(cur_.get()), target)));
    std::optional<Landing> land = landOn(target, forward);
    return land ? standAt(target, std::move(*land)) : nullptr;
}

std::optional<MediaSource::Landing> MediaSource::landOn(int64_t target, bool forward) {
    AVStream* vs = format_->streams[vIndex_];
    int64_t seekTo = target;
    skipNonRef_ = video_->codec_id == AV_CODEC_ID_H264 || video_->codec_id == AV_CODEC_ID_HEVC;
    for (int attempt = 0; attempt <= kMaxSeekRetries; ++attempt) {
        if (!forward && !demuxSeek(seekTo)) return std::nullopt;
        const bool canGoBack = !forward && seekTo > vStart_ && attempt < kMaxSeekRetries;
        Landing land = decodeUpTo(target, forward, canGoBack);
        if (!land.overshoot && skippedOverAGap(target, land)) {
            // The stretch is decoded again in full.
            skipNonRef_ = false;
            forward = false;
            seekTo = std::min(seekTo, frameTicks(land.candidate.get()));
            prev_.reset();
            --attempt;
            continue;
        }
        if (!land.overshoot) return land;
        seekTo = std::max(vStart_, seekTo - fromMs(1000LL << attempt, vs->time_base));
        forward = false;
    }
    return std::nullopt;
}

bool MediaSource::decodeAhead() {
    if (vIndex_ < 0 || ahead_ || !cur_ || keepPrev_ || stride_ <= 0) return false;
    AVStream* vs = format_->streams[vIndex_];
    const int64_t target = lastTarget_ + stride_;
    if (stride_ > fromMs(kMaxAheadStrideMs, vs->time_base) ||
        target - vStart_ > fromMs(info_.lengthMs, vs->time_base) || holds(cur_.get(), target))
        return false;
    // The picture shown must stay as it was made: not when it is made with its neighbours
    // (deinterlaced), nor when it has yet to be made.
    if (filter_ && filter_->changes(cur_.get()) && shownOf_ != cur_.get()) return false;
    FramePtr keep = std::move(cur_);
    FramePtr keepShown = std::move(shown_);
    const AVFrame* keepShownOf = shownOf_;
    const bool keepAt = atTarget_;
    const int64_t from = frameTicks(keep.get());
    const bool forward = from < target && sameGroupOfPictures(from, target);
    if (forward) cur_ = refFrame(keep.get());
    atTarget_ = true;
    std::optional<Landing> land = landOn(target, forward);
    ahead_ = Ahead{target, std::move(land), atTarget_, damageSeen_};
    cur_ = std::move(keep);
    shown_ = std::move(keepShown);
    shownOf_ = keepShownOf;
    atTarget_ = keepAt;
    return true;
}

const AVFrame* MediaSource::takeAhead() {
    Ahead ahead = std::move(*ahead_);
    ahead_.reset();
    atTarget_ = ahead.atTarget;
    damageSeen_ = ahead.damageSeen;
    if (ahead.land) return standAt(ahead.target, std::move(*ahead.land));
    // The demuxer was moved and nothing decoded: no frame to go on from.
    cur_.reset();
    lookahead_.reset();
    prev_.reset();
    return nullptr;
}

void MediaSource::backToShown() {
    if (!ahead_) return;
    const int64_t shownTicks = cur_ ? frameTicks(cur_.get()) : AV_NOPTS_VALUE;
    takeAhead();
    // Its sound is read again on the way, as a play from it asks.
    if (shownTicks != AV_NOPTS_VALUE) seekTicks(shownTicks, true);
}

const AVFrame* MediaSource::nextVideo() {
    if (vIndex_ < 0) return nullptr;
    backToShown();
    interruptible_ = true;
    FramePtr f = decodeRaw();
    interruptible_ = false;
    if (!f) return nullptr;
    if (keepPrev_) prev_ = std::move(cur_);
    cur_ = std::move(f);
    forgetLossesTo(frameTicks(cur_.get()));
    return shown();
}

const AVFrame* MediaSource::shown() {
    const AVFrame* cur = cur_.get();
    if (!cur || !filter_ || !filter_->changes(cur)) return cur;
    if (shown_ && shownOf_ == cur && shown_->best_effort_timestamp == frameTicks(cur))
        return shown_.get();
    if (filter_->interlaced(cur)) {
        keepPrev_ = true;
        if (!lookahead_) lookahead_ = decodeRaw();
    }
    shown_ = filter_->apply(prev_.get(), cur, lookahead_.get());
    shownOf_ = cur;
    return shown_ ? shown_.get() : cur;
}

}  // namespace stillmar::mci::engine
