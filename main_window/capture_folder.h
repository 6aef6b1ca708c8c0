#pragma once
// The capture folder: the program's folder + "Capture", or the user's pictures folder +
// "Stillmar/Capture" for a copy installed among the system's programs (/usr/bin and the like)
// and when the program's folder cannot be created or written. Every use of the capture folder
// goes through CaptureFolder.

#include <string>

namespace stillmar {

// The folder chosen at start-up, without a final separator.
extern std::string CaptureFolder;

// Chooses the folder for `applicationFolder`, creates it when missing, stores it in
// CaptureFolder and returns it. The first time a run falls back because the program's folder
// is unusable, the user is told which folder is used; an installed copy says nothing, the
// pictures folder being its place.
std::string PrepareCaptureFolder(const std::string& applicationFolder);

// The pictures-folder fallback (not created).
std::string FallbackCaptureFolder();

}  // namespace stillmar
