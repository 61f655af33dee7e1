// The older movie of the same name survives every recording that did not succeed: an empty one,
// one cut short by a full disk or an overload (it takes the next free number instead), one
// refused at the start; a read-only movie is replaced only after the user said yes; a file
// another recording is writing is never touched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "avi/avi_library.h"
#include "avi/avi_riff_writer.h"
#include "capture/capture_messages.h"
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
  // clip0001.avi and so on, beside the movie.
  std::string Numbered(int n) const {
    return dir_.filePath(QString::asprintf("clip%04d.avi", n)).toStdString();
  }
  // What the report adds when a failed recording left the older movie alone.
  std::string Kept(const std::string& where) const {
    return "\nThe earlier movie " + movie_ + " was kept; what was recorded is in " + where + ".";
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
  EXPECT_EQ(Contents(Numbered(1)), "RIFF") << "the frames recorded stay too, under a number";
  EXPECT_FALSE(std::filesystem::exists(movie_ + ".part"));
  EXPECT_EQ(rig_.engine.OutputFileName(), Numbered(1));
  ASSERT_EQ(rig_.owner.messages.size(), 1u);
  const std::string& text = rig_.owner.messages[0];
  EXPECT_NE(text.find("The disk may be full."), std::string::npos) << text;
  EXPECT_NE(text.find(Kept(Numbered(1))), std::string::npos) << text;
}

// The overload abort after a frame or two, as at a rate far too high: the movie of the name
// stays, the new one takes the next free number, and the message says where it is.
TEST_F(KeepOldMovie, AnOverloadedRecordingNeverReplacesItAndTakesTheNextFreeNumber) {
  const auto overload = [&] {
    Ticks(2);
    for (int i = 0; i < 50 && rig_.timer.running; ++i) rig_.timer.Tick();  // the ring stays full
    EXPECT_EQ(rig_.engine.Context().frameCounter, mg::kOverloadMarker);
    EngineRig::Pump();
  };
  rig_.Record(mg::StartMode::Recording, overload);
  EXPECT_EQ(Contents(movie_), "the older movie");
  EXPECT_EQ(Contents(Numbered(1)), "RIFF");
  EXPECT_EQ(rig_.owner.messages, std::vector<std::string>{mg::msg::kOverload + Kept(Numbered(1))});

  // Again: the first number is taken now, and the settings still name the older movie.
  rig_.owner.messages.clear();
  rig_.Record(mg::StartMode::Recording, overload);
  EXPECT_EQ(Contents(movie_), "the older movie");
  EXPECT_TRUE(std::filesystem::exists(Numbered(2)));
  EXPECT_EQ(rig_.owner.messages, std::vector<std::string>{mg::msg::kOverload + Kept(Numbered(2))});
  EXPECT_EQ(rig_.settings.AVIFileName, movie_);
  EXPECT_FALSE(std::filesystem::exists(movie_ + ".part"));
}

TEST_F(KeepOldMovie, AMovieThatDidNotCloseNeverReplacesIt) {
  rig_.avi.closeResult = mg::kAviErrFileWrite;  // the last data did not reach the disk
  rig_.Record(mg::StartMode::Recording, [&] { Ticks(3); });
  EXPECT_EQ(Contents(movie_), "the older movie");
  EXPECT_EQ(Contents(Numbered(1)), "RIFF");
  ASSERT_EQ(rig_.owner.messages.size(), 1u);
  EXPECT_EQ(rig_.owner.messages[0].rfind("Error 110 saving video data", 0), 0u)
      << rig_.owner.messages[0];
  EXPECT_NE(rig_.owner.messages[0].find(Kept(Numbered(1))), std::string::npos);
}

TEST_F(KeepOldMovie, AFailedRecordingWithNoOlderMovieTakesTheName) {
  std::filesystem::remove(movie_);
  rig_.avi.failWriteAt = 2;
  rig_.Record(mg::StartMode::Recording, [&] { Ticks(5); });
  EXPECT_EQ(Contents(movie_), "RIFF");
  EXPECT_FALSE(std::filesystem::exists(Numbered(1)));
  ASSERT_EQ(rig_.owner.messages.size(), 1u);
  EXPECT_EQ(rig_.owner.messages[0].find("The earlier movie"), std::string::npos);
}

TEST_F(KeepOldMovie, WithEveryNumberTakenAFailedRecordingKeepsItsTemporaryName) {
  // The last number there is: no free one is left above it.
  const std::string last = dir_.filePath("clip9999.avi").toStdString();
  std::ofstream(last) << "the older movie";
  rig_.settings.AVIFileName = last;
  rig_.avi.failWriteAt = 1;
  rig_.Record(mg::StartMode::Recording, [&] { Ticks(3); });
  EXPECT_EQ(Contents(last), "the older movie");
  EXPECT_EQ(Contents(last + ".part"), "RIFF");
  ASSERT_EQ(rig_.owner.messages.size(), 1u);
  EXPECT_NE(rig_.owner.messages[0].find("The earlier movie " + last +
                                        " was kept; what was recorded is in " + last + ".part."),
            std::string::npos)
      << rig_.owner.messages[0];
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
