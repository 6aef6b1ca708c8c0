#pragma once
// Ctrl+C: the frame the video shows now, onto the clipboard as an image at the video's own
// size (upright, square pixels): the very pixels "capture ... as" writes for that frame.
// Playback goes on. Without a picture to copy nothing is copied and a box says why.

namespace stillmar {

class Form1;

void CopyShownFrame(Form1& form);

}  // namespace stillmar
