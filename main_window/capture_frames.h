#pragma once
// The capture run of the "Capturer" button: one still frame per second of media, saved as
// "Capture" + number + ".bmp" in the capture folder (Form1::CaptureFrames).

namespace stillmar {

class Form1;

// True while `form` runs CaptureFrames. A second "Capturer" in the meantime is ignored.
bool CaptureRunInProgress(const Form1& form);

}  // namespace stillmar
