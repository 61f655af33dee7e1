// Texts the recording shows to the user.
#pragma once

#include "settings/movie_name_rule.h"

namespace mg::msg {

inline constexpr const char* kErrorOpeningAvi = "Error opening AVI file. %1";
inline constexpr const char* kDetailOpen = "(Open AVI)";
inline constexpr const char* kDetailCreateVideo = "(Create Video Stream)";
inline constexpr const char* kDetailCompressed = "(Make Compressed Stream)";
inline constexpr const char* kDetailSetFormat = "(Set Video Stream Format, err %d)";
inline constexpr const char* kDetailWave = "(Prepare Wave Stream)";
inline constexpr const char* kTotals = "Total frames: %d, skipped: %d";
// The lines under the totals: the movie's length and where it is.
inline constexpr const char* kTotalsDuration = "Duration: %s";
inline constexpr const char* kTotalsFile = "File: %s";
inline constexpr const char* kNoSoundServer =
    "Sound is not recorded: no sound server (PulseAudio or PipeWire) is running. The movie is "
    "recorded without sound.";
inline constexpr const char* kNoSoundInput =
    "Sound is not recorded: the sound input could not be opened (error %d). The movie is "
    "recorded without sound.";
inline constexpr const char* kNoSoundSource =
    "Sound is not recorded: the sound server has no sound input to record from. The movie is "
    "recorded without sound.";
inline constexpr const char* kSoundServerNotAnswering =
    "Sound is not recorded: the sound server does not answer. The movie is recorded without "
    "sound.";
// The line under the totals when the sound was lost during the recording: where, and why.
inline constexpr const char* kSoundLost =
    "Sound stopped at %s of the movie: %s. The rest of the movie is silent.";
inline constexpr const char* kLostServerGone = "the sound server went away";
inline constexpr const char* kLostSourceGone = "the sound input was removed";
inline constexpr const char* kLostNotAnswering = "the sound server stopped answering";
inline constexpr const char* kOverload =
    "The frame rate you requested is too high. Please specify lower FPS or select a smaller "
    "screen area.";
inline constexpr const char* kAudioError = "Error %d saving audio data, try lower frame rate.";
inline constexpr const char* kAudioWriteError =
    "Error %d saving audio data; the recording was stopped. The disk is full or the file has "
    "grown too large for it.";
inline constexpr const char* kVideoError =
    "Error %d saving video data; the recording was stopped. The disk may be full.";
inline constexpr const char* kBadFps =
    "The frame rate must be a number from 0.01 to 1000 frames per second.";
inline constexpr const char* kBadArea =
    "The capture area must be at least 1 pixel wide and 1 pixel high.";
inline constexpr const char* kAreaOffScreen =
    "The capture area (%1, %2, %3 x %4) lies wholly outside the screen, which is %5 x %6 "
    "pixels. Choose an area on the screen.";
inline constexpr const char* kAreaTooLarge = "The capture area is too large to record.";
inline constexpr const char* kNameTooLong = kMovieNameTooLong;
// Shown after "Error opening AVI file. (Open AVI)": the file and the system's reason.
inline constexpr const char* kOpenReason = "\n%1: %2.";
inline constexpr const char* kBusyReason = "another recording is being written into it";
inline constexpr const char* kReplaceReadOnly =
    "The file %1 is read-only. Do you want the new movie to replace it?";
// After a failed recording, when an older movie of the same name was kept.
inline constexpr const char* kPartialKept =
    "\nThe earlier movie %1 was kept; what was recorded is in %2.";
// Recordings cut off earlier (the program was killed, the computer went off) and where they are
// now: one, or a list of places, one a line.
inline constexpr const char* kLeftoverOne =
    "A recording was cut off before it was finished (Movigram or the computer stopped while it "
    "ran). What it recorded is in %1.";
inline constexpr const char* kLeftoverMany =
    "Recordings were cut off before they were finished (Movigram or the computer stopped while "
    "they ran). What they recorded is in:%1";
inline constexpr const char* kLeftoverStays = "%1, which could not be given a name of its own (%2)";
// Shown after "Error opening AVI file. (Open AVI)" when such a recording holds the file.
inline constexpr const char* kLeftoverInTheWay =
    "an earlier recording that was cut off is in %1 and could not be given a name of its own (%2)";
inline constexpr const char* kNotRenamed =
    "The movie could not be given the name %1 (%2). It is kept as %3.";
inline constexpr const char* kNoFrameMemory = "Not enough memory for the frame buffers.";

}  // namespace mg::msg
