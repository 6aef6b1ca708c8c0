#pragma once
// The capture folder: the program's folder + "Capture", or, when that cannot be created or
// written (an installed program in a system folder), the user's pictures folder +
// "Stillmar/Capture". Every use of the capture folder goes through CaptureFolder.

#include <string>

namespace stillmar {

// The folder chosen at start-up, without a final separator.
extern std::string CaptureFolder;

// Chooses the folder for `applicationFolder`, creates it when missing, stores it in
// CaptureFolder and returns it. The first time the fallback is taken in a run, the user is
// told which folder is used.
std::string PrepareCaptureFolder(const std::string& applicationFolder);

// The pictures-folder fallback (not created).
std::string FallbackCaptureFolder();

}  // namespace stillmar
