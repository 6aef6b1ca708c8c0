#include "media/talve_player.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/text.h"

namespace stillmar {

void TALVEplayer::PlayMEDIAFILE(int32_t where) {
    OpenMediaFile(hwndParent_, aliasName_, DeviceType());
    int32_t width = 0;
    int32_t height = 0;
    MoveVideoTo(hwndParent_, 0, 0, width, height, 0);
    send("seek " + aliasName_ + " to " + std::to_string(rt::mul32(where, 1000)));
    send("play " + aliasName_);
}

void TALVEplayer::setCommand(int32_t Cmd, std::string_view sDrive, int32_t nValue) {
    const std::string& alias = aliasName_;
    // Sent for every code: when the alias is free it opens the CD audio device under it.
    std::string open = "open ";
    open += sDrive;
    send(open + " Type cdaudio alias " + alias + " wait shareable");
    switch (Cmd) {
        case PlayerCommand::OpenDoor:
            send("set " + alias + " door open");
            send("capability " + alias + " can eject notify");
            break;
        case PlayerCommand::CloseDoor:
            send("set " + alias + " door closed");
            break;
        case PlayerCommand::Stop:
            send("stop " + alias);
            break;
        case PlayerCommand::Play:
            send("play " + alias);
            break;
        case PlayerCommand::SeekAndPlay:
            sendField("set " + alias + " time format ms");
            send("seek " + alias + " to " + std::to_string(nValue));
            send("play " + alias + " from " + std::to_string(nValue));
            break;
        case PlayerCommand::SetSpeed:
            send("set " + alias + " speed " + std::to_string(nValue));
            break;
        case PlayerCommand::Close:
            send("close " + alias);
            break;
        case PlayerCommand::Pause:
            send("pause " + alias + " wait");
            break;
        case PlayerCommand::Resume:
            send("resume " + alias);
            break;
        default:
            break;
    }
}

void TALVEplayer::StepFrames(int32_t nFrames) {
    const int64_t frames = nFrames;
    std::string command =
        "step " + aliasName_ + " by " + std::to_string(frames < 0 ? -frames : frames);
    if (frames < 0) command += " reverse";
    send(command);
}

void TALVEplayer::SetVolumeState(int32_t st_Vol, int32_t new_Vol) {
    const std::string volume = std::to_string(new_Vol);
    switch (st_Vol) {
        case PlayerChannel::Right:
            send("setaudio " + aliasName_ + " right volume to " + volume);
            break;
        case PlayerChannel::Left:
            send("setaudio " + aliasName_ + " left volume to " + volume);
            break;
        case PlayerChannel::Both:
            send("setaudio " + aliasName_ + " volume to " + volume);
            break;
        default:
            break;
    }
}

void TALVEplayer::SetAudioState(int32_t stChan, int32_t st_pos) {
    const char* state = st_pos == 0 ? " on" : " off";
    switch (stChan) {
        case PlayerChannel::Right:
            send("set " + aliasName_ + " audio right" + state);
            break;
        case PlayerChannel::Left:
            send("set " + aliasName_ + " audio left" + state);
            break;
        case PlayerChannel::Both:
            send("set " + aliasName_ + " audio all" + state);
            break;
        default:
            break;
    }
}

int32_t TALVEplayer::positionForJump() {
    const int32_t position =
        rt::toInt32OrRaise(rt::strictNumber(getStatusInfo(PlayerStatus::PositionMs)));
    sendField("set " + aliasName_ + " time format ms");
    return position;
}

void TALVEplayer::FForward(int32_t nValue) {
    const int32_t position = positionForJump();
    send("play " + aliasName_ + " from " +
         std::to_string(rt::add32(position, rt::mul32(nValue, 1000))));
}

void TALVEplayer::FRewind(int32_t nValue) {
    const int32_t position = positionForJump();
    send("play " + aliasName_ + " from " +
         std::to_string(rt::sub32(position, rt::mul32(nValue, 1000))));
}

}  // namespace stillmar
