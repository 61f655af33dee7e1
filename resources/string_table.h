// The string table: every text the program shows that is addressed by a number. "&" marks the
// mnemonic letter, as Qt reads it ("&&" is a literal ampersand).
#pragma once

namespace mg::res {

struct StringEntry {
  int id;
  const char* text;
};

inline constexpr StringEntry kStringTable[] = {
    {101, "&About Movigram..."},
    {109, "Press the key combination that will pause and resume video capture:"},
    {110, "Press the key combination that will start and stop video capture:"},
    {112, "Shift+"},
    {113, "Ctrl+"},
    {114, "Alt+"},
    {115, "None"},
    {116,
     "Could not register the above hot key. It may be already reserved by another application."},
    {123, "Stop &Rec."},
    {124, "Start &Rec."},
    {125, "&Pause Rec."},
    {126, "R&esume Rec."},
    {127, "Start &Paused"},
    {128, "Press the key combination that will toggle capture area paning:"},
    {129, "Are you sure you want to completely remove Movigram?"},
    {134, "Auto Select - Strongly Recommended!"},
    {135, "Full Frames (Uncompressed)"},
    {136, "Do you really want to revert all options to default values?"},
    {141, "Screen Area"},
    {142, "Hot Keys"},
    {143, "AVI File"},
};

// Names for the ids the program code uses.
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDS_PROMPT_PAUSE = 109;
inline constexpr int IDS_PROMPT_START = 110;
inline constexpr int IDS_SHIFT = 112;
inline constexpr int IDS_CTRL = 113;
inline constexpr int IDS_ALT = 114;
inline constexpr int IDS_NONE = 115;
inline constexpr int IDS_HOTKEY_TAKEN = 116;
inline constexpr int IDS_STOP_REC = 123;
inline constexpr int IDS_START_REC = 124;
inline constexpr int IDS_PAUSE_REC = 125;
inline constexpr int IDS_RESUME_REC = 126;
inline constexpr int IDS_START_PAUSED = 127;
inline constexpr int IDS_PROMPT_PANLOCK = 128;
inline constexpr int IDS_UNINSTALL_QUESTION = 129;
inline constexpr int IDS_AUTO_SELECT = 134;
inline constexpr int IDS_FULL_FRAMES = 135;
inline constexpr int IDS_REVERT_DEFAULTS = 136;
inline constexpr int IDS_TAB_SCREEN_AREA = 141;
inline constexpr int IDS_TAB_HOT_KEYS = 142;
inline constexpr int IDS_TAB_AVI_FILE = 143;

}  // namespace mg::res
