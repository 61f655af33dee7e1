// The older movie of the same name survives every recording that did not succeed: an empty one,
// one cut short by a full disk, one refused at the start; a read-only movie is replaced only
// after the user said yes; a file another recording is writing is never touched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "avi/avi_library.h"
#include "avi/avi_riff_writer.h"
#include "tests/capture/capture_doubles.h"
#include "tests/support/avi_reader.h"

namespace {

using mgtest::EngineRig;

std::string Contents(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class KeepOldMovie : public ::testing::Test {
 protected:
  KeepOldMovie() {
    rig_.settings.IncFilename = 0;
    std::ofstream(movie_) << "the older movie";
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      rig_.timer.Tick();
      EngineRig::Pump();
    }
  }
  QTemporaryDir dir_;
  std::string movie_ = dir_.filePath("clip.avi").toStdString();
  EngineRig rig_{dir_.path().toStdString()};
};

TEST_F(KeepOldMovie, AnEmptyRecordingOrAStopBeforeTheFirstFrameKeepsIt) {
  // Start/stop pressed twice within one frame period: nothing captured.
  EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [] {}), 1);
  EXPECT_EQ(Contents(movie_), "the older movie");
  EXPECT_FALSE(std::filesystem::exists(movie_ + ".part"));
  EXPECT_TRUE(rig_.owner.messages.empty());
  // Started paused and stopped.
  rig_.Record(mg::StartMode::Paused, [&] { Ticks(3); });
  EXPECT_EQ(Contents(movie_), "the older movie");
}

TEST_F(KeepOldMovie, ASuccessfulRecordingReplacesItOnlyAtTheStop) {
  rig_.Record(mg::StartMode::Recording, [&] {
    Ticks(2);
    EXPECT_EQ(Contents(movie_), "the older movie") << "untouched while recording";
    EXPECT_TRUE(std::filesystem::exists(movie_ + ".part"));
  });
  EXPECT_EQ(Contents(movie_), "RIFF");  // what the library double wrote
  EXPECT_FALSE(std::filesystem::exists(movie_ + ".part"));
  EXPECT_EQ(rig_.engine.OutputFileName(), movie_);
  ASSERT_EQ(rig_.owner.messages.size(), 1u);
  EXPECT_EQ(rig_.owner.messages[0].rfind("Total frames: 2, skipped: 0", 0), 0u);
  const std::string& report = rig_.owner.messages[0];
  EXPECT_EQ(report.substr(report.rfind('\n') + 1), "File: " + movie_)
      << "the report names the movie, not its temporary file: " << rig_.owner.messages[0];
}

TEST_F(KeepOldMovie, ARecordingCutShortByAFullDiskKeepsItAndSaysWhereTheNewOneIs) {
  rig_.avi.failWriteAt = 2;  // the disk is full at the third frame
  rig_.Record(mg::StartMode::Recording, [&] { Ticks(5); });
  EXPECT_EQ(Contents(movie_), "the older movie");
  EXPECT_TRUE(std::filesystem::exists(movie_ + ".part")) << "the frames recorded stay too";
  ASSERT_EQ(rig_.owner.messages.size(), 1u);
  const std::string& text = rig_.owner.messages[0];
  EXPECT_NE(text.find("The disk may be full."), std::string::npos) << text;
  EXPECT_NE(text.find("The earlier movie " + movie_ + " was kept; what was recorded is in " +
                      movie_ + ".part."),
            std::string::npos)
      << text;
}

TEST_F(KeepOldMovie, AReadOnlyMovieIsReplacedOnlyAfterTheUserSaidYes) {
  ASSERT_EQ(::chmod(movie_.c_str(), 0444), 0);
  rig_.owner.answerYes = false;
  EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [&] { Ticks(2); }), 0);
  ASSERT_EQ(rig_.owner.questions.size(), 1u);
  EXPECT_EQ(rig_.owner.questions[0],
            "The file " + movie_ + " is read-only. Do you want the new movie to replace it?");
  EXPECT_TRUE(rig_.avi.opened.empty()) << "nothing is opened after No";
  EXPECT_TRUE(rig_.owner.messages.empty());
  EXPECT_EQ(Contents(movie_), "the older movie");

  rig_.owner.answerYes = true;
  EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [&] { Ticks(2); }), 1);
  EXPECT_EQ(Contents(movie_), "RIFF");
}

TEST_F(KeepOldMovie, AFileAnotherRecordingIsWritingIsNeitherEmptiedNorReplaced) {
  // The other recording: a real AVI writer holding the temporary file of the same name.
  std::unique_ptr<mg::IAviFile> other;
  ASSERT_EQ(mg::OpenRiffAviFile(movie_ + ".part", &other), mg::kAviErrOk);
  std::ofstream(movie_ + ".part") << "frames of the other recording";
  auto library = mg::MakeAviLibrary();
  EngineRig real(dir_.path().toStdString(), library.get());
  real.settings.IncFilename = 0;
  EXPECT_EQ(real.Record(mg::StartMode::Recording, [] {}), 0);
  ASSERT_EQ(real.owner.messages.size(), 1u);
  EXPECT_EQ(real.owner.messages[0], "Error opening AVI file. (Open AVI)\n" + movie_ +
                                        ": another recording is being written into it.");
  EXPECT_EQ(Contents(movie_ + ".part"), "frames of the other recording");
  EXPECT_EQ(Contents(movie_), "the older movie");
}

TEST_F(KeepOldMovie, AFileThatCannotBeCreatedIsNamedWithTheReason) {
  auto library = mg::MakeAviLibrary();
  EngineRig real(dir_.path().toStdString(), library.get());
  const std::string missing = dir_.filePath("no such folder/take.avi").toStdString();
  real.settings.AVIFileName = missing;
  real.settings.IncFilename = 0;
  EXPECT_EQ(real.Record(mg::StartMode::Recording, [] {}), 0);
  ASSERT_EQ(real.owner.messages.size(), 1u);
  EXPECT_EQ(real.owner.messages[0],
            "Error opening AVI file. (Open AVI)\n" + missing + ": No such file or directory.");
}

TEST_F(KeepOldMovie, ANameWithACommaIsRecordedLikeAnyOther) {
  auto library = mg::MakeAviLibrary();
  EngineRig real(dir_.path().toStdString(), library.get());
  real.settings.AVIFileName = dir_.filePath("a,b.avi").toStdString();
  real.settings.IncFilename = 0;
  EXPECT_EQ(real.Record(mg::StartMode::Recording,
                        [&] {
                          for (int i = 0; i < 3; ++i) {
                            real.timer.Tick();
                            EngineRig::Pump();
                          }
                        }),
            1);
  ASSERT_EQ(real.owner.messages.size(), 1u);
  EXPECT_EQ(mgtest::FirstLine(real.owner.messages[0]), "Total frames: 3, skipped: 0");
  EXPECT_EQ(real.settings.AVIFileName, dir_.filePath("a,b.avi").toStdString());
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(real.settings.AVIFileName, false);
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_EQ(movie.frames.size(), 3u);
  EXPECT_EQ(movie.width, 320);

  // Numbered, as by default: the next free number goes before the extension.
  real.settings.IncFilename = 1;
  EXPECT_EQ(real.Record(mg::StartMode::Recording,
                        [&] {
                          real.timer.Tick();
                          EngineRig::Pump();
                        }),
            1);
  EXPECT_EQ(real.settings.AVIFileName, dir_.filePath("a,b0001.avi").toStdString());
  EXPECT_TRUE(mgtest::DecodeAvi(real.settings.AVIFileName, false).ok);
}

}  // namespace
