// The options text file "Movigram.ini" beside the program: the settings as lines of
// "key"  value, loaded whole into an OptionList that the settings store reads and writes in
// option-file mode, then written back or dropped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_store.h"

namespace mg {

inline constexpr const char* kOptionFileName = "Movigram.ini";
// Lines are read in pieces of at most this many characters; the rest of a longer line is dropped.
inline constexpr size_t kOptionPieceLength = 1023;
// A real options file holds a few dozen short lines; a file this large is not one.
inline constexpr int64_t kOptionFileMaxBytes = 1 << 20;

// One entry line: the key between the quotes and the rest of the line after blanks and tabs. A
// text value keeps its quotes.
struct OptionEntry {
  std::string key;
  std::string value;
};

class OptionList final : public IOptionList {
 public:
  // The settings store's primitives in option-file mode. Keys match without regard to letter
  // case and the first of equal keys counts. Read: 0, -1 when the key is missing, 234 (and the
  // size needed) when the buffer is too small; a quoted value is a text, any other a number,
  // except that a text wanted (`*type` kRegSz on entry) takes an unquoted value as written.
  // Write: 0, or -1 for a type other than text or number.
  int Read(const std::string& name, uint32_t* type, void* buffer, uint32_t* size) override;
  int Write(const std::string& name, uint32_t type, const void* data, uint32_t size) override;

  // Appends every entry line of `text`, in order; other lines are dropped.
  void Parse(std::string_view text);
  // The entries as the file holds them: quote, key, quote, two blanks, value, CR LF.
  std::string Serialize() const;

  const std::vector<OptionEntry>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }

 private:
  OptionEntry* Find(std::string_view name);

  std::vector<OptionEntry> entries_;
};

// "Movigram.ini" beside `programPath` (cut after its last slash or backslash); the bare name
// when the path has no separator.
std::string OptionFilePath(const std::string& programPath);

enum class OptionLoad {
  Read,        // the file was read into the list
  Missing,     // there is no such file
  Unreadable,  // it exists but cannot be read, or is far too large to be an options file
};

class OptionFile {
 public:
  // LoadOptionFile: empties the list, remembers the path and reads the file into the list.
  OptionLoad Load(const std::string& programPath);
  // SaveOptionFile: with `write`, replaces the file at the remembered path with the list
  // (through a temporary file, so a failed write leaves the old file whole); always empties the
  // list. False when writing was asked and did not succeed.
  bool Save(bool write);

  OptionList& List() { return list_; }
  const std::string& Path() const { return path_; }
  // Why the last Load or Save failed, in words for the command line.
  const std::string& Error() const { return error_; }

 private:
  OptionList list_;
  std::string path_;
  std::string error_;
};

}  // namespace mg
