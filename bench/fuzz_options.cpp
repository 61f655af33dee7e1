// Feeds the options-file reader a stream of mutated files and checks that nothing reads or
// writes past a buffer (run it in a sanitizer build: tools/fuzz-options) and that a file read
// and written again is stable. Prints the number of inputs tried.
//
//   fuzz_options [count] [seed]
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/qt/qt_registry.h"
#include "settings/option_file.h"

namespace {

const char* const kNames[] = {"StartX",
                              "StartY",
                              "Width",
                              "Height",
                              "WinX",
                              "WinY",
                              "WndHide",
                              "IncFilename",
                              "RecSound",
                              "FPS",
                              "Compress",
                              "KeyFrames",
                              "AVIFileName",
                              "Start Key",
                              "Start Mod",
                              "Start Desc",
                              "Pause Key",
                              "Pause Mod",
                              "Pause Desc",
                              "LockPan Key",
                              "LockPan Mod",
                              "LockPan Desc",
                              "Pan Modifiers",
                              "Pan Locked",
                              "",
                              "\"",
                              "x"};

struct Random {
  uint64_t state;
  uint64_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
};

void Fail(const char* what, const std::string& input) {
  std::fprintf(stderr, "fuzz_options: %s (input of %zu bytes)\n", what, input.size());
  std::ofstream("fuzz_options_failure.ini", std::ios::binary) << input;
  std::abort();
}

void Mutate(std::string& s, Random& r) {
  static const char kBytes[] = {'"', '\r', '\n', '\t', ' ', '\0', '\xff', '-', '9', 'a', '\x80'};
  const int steps = 1 + static_cast<int>(r.Below(8));
  for (int i = 0; i < steps; ++i) {
    const size_t at = r.Below(s.size() + 1);
    switch (r.Below(7)) {
      case 0:
        if (!s.empty()) s[r.Below(s.size())] ^= static_cast<char>(1 << r.Below(8));
        break;
      case 1:
        s.insert(at, 1, kBytes[r.Below(sizeof kBytes)]);
        break;
      case 2:
        if (!s.empty()) s.erase(r.Below(s.size()), 1 + r.Below(16));
        break;
      case 3: {  // duplicate a stretch
        if (s.empty()) break;
        const size_t from = r.Below(s.size());
        const std::string piece = s.substr(from, 1 + r.Below(64));
        s.insert(at, piece);
        break;
      }
      case 4:  // a run around the piece length
        s.insert(at, 1000 + r.Below(60), kBytes[r.Below(sizeof kBytes)]);
        break;
      case 5:
        if (!s.empty()) s[r.Below(s.size())] = static_cast<char>(r.Next());
        break;
      default:
        s.insert(at, "\"" + std::string(kNames[r.Below(24)]) + "\"  ");
        break;
    }
  }
  if (s.size() > 8192) s.resize(8192);
}

// Reads every name, as any type, as a text and as a number, with buffers of exactly the size
// offered, so that a write past the end is caught by the sanitizer.
void ReadEverything(mg::OptionList& list) {
  static const uint32_t kSizes[] = {0, 1, 3, 4, 5, 60, 260};
  for (const char* name : kNames) {
    for (uint32_t wanted : {0u, mg::kRegSz, mg::kRegDword}) {
      for (uint32_t offered : kSizes) {
        std::vector<char> buffer(offered);
        uint32_t type = wanted, size = offered;
        list.Read(name, &type, offered ? buffer.data() : nullptr, &size);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
  Random random{argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 0x9e3779b97f4a7c15ull};

  QTemporaryDir dir;
  const std::string program = dir.filePath("movigram").toStdString();
  auto registry = mg::MakeFileRegistry(dir.filePath("unused.conf").toStdString());
  mg::SettingsStore store(*registry);

  mg::OptionList seedList;
  store.SetOptionList(&seedList);
  store.SaveState(mg::AppSettings());
  store.SaveKeys(mg::AppSettings());
  std::vector<std::string> seeds = {
      seedList.Serialize(),
      "; comment\n\"fps\"\t15000\r\n\"Width\"  640px\n \"Height\" 1\n\"AVIFileName\"  \"my "
      "clip.avi\"\n",
      "\"Start Desc\"  \"" + std::string(1100, 'x') + "\"\n\"Width\"  7\n",
      "\"unclosed\n\"\"  5\n\"\"\"  \"\n\"a\"\n"};

  long entries = 0;
  for (long i = 0; i < count; ++i) {
    std::string input = seeds[random.Below(seeds.size())];
    Mutate(input, random);

    mg::OptionList list;
    list.Parse(input);
    for (const mg::OptionEntry& e : list.Entries()) {
      if (e.key.empty() || e.key.find('"') != std::string::npos) Fail("bad key", input);
      if (!e.value.empty() && (e.value.back() == '\r' || e.value.back() == '\n'))
        Fail("line end kept in a value", input);
      if (e.key.size() + e.value.size() + 2 > mg::kOptionPieceLength)
        Fail("entry longer than a piece", input);
    }
    entries += static_cast<long>(list.Entries().size());
    ReadEverything(list);

    // Through the store, as the switches use it: load into defaults, save into the list.
    mg::AppSettings settings;
    store.SetOptionList(&list);
    store.LoadState(settings);
    store.LoadKeys(settings);
    if (settings.AVIFileName.size() >= mg::kFileNameCapacity ||
        settings.StartDesc.size() >= mg::kKeyDescCapacity)
      Fail("text beyond its capacity", input);
    store.SaveState(settings);
    store.SaveKeys(settings);

    // Written and read again, the file is stable, unless a value holds a line break or a line
    // grew past one piece by the two blanks the written form puts after the key.
    const std::string once = list.Serialize();
    mg::OptionList again;
    again.Parse(once);
    bool representable = true;
    for (const mg::OptionEntry& e : list.Entries())
      representable &= e.key.find_first_of("\r\n") == std::string::npos &&
                       e.value.find_first_of("\r\n") == std::string::npos &&
                       e.key.size() + e.value.size() + 5 <= mg::kOptionPieceLength;
    if (representable && again.Serialize() != once) Fail("rewrite not stable", input);

    // Now and then the real file path: load and save on disk.
    if (i % 1000 == 0) {
      std::ofstream(dir.filePath("Movigram.ini").toStdString(), std::ios::binary) << input;
      mg::OptionFile file;
      if (file.Load(program) != mg::OptionLoad::Read) Fail("file not read", input);
      if (!file.Save(true)) Fail("file not written", input);
    }
  }
  store.SetOptionList(nullptr);
  std::printf("fuzz_options: %ld mutated inputs, %ld entries parsed, no fault\n", count, entries);
  return 0;
}
