// Recordings cut off before they were finished stay under their temporary names. They get free
// numbered names of their own, never over anything; a file that a recording (of another
// program run) is writing, a file that is no movie and an empty one stay as they are; and a new
// recording never empties one that it finds under its own temporary name.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/capture_messages.h"
#include "capture/leftover_movies.h"
#include "capture/movie_file.h"
#include "tests/capture/capture_doubles.h"

namespace {

using mgtest::EngineRig;

std::string Contents(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The beginning of a movie as the writer leaves it, and what follows it.
std::string MovieBytes(const std::string& frames) {
  return std::string(
             "RIFF\x10\x00\x00\x00"
             "AVI LIST",
             16) +
         frames;
}

// Another program holding a lock on `file` as a recording does, until it is ended.
class OtherWriter {
 public:
  explicit OtherWriter(const std::string& file) {
    holder_.start("flock", {"-x", QString::fromStdString(file), "cat"});
    for (int i = 0; i < 500 && !mg::HeldByRecording(file); ++i) QThread::msleep(10);
  }
  ~OtherWriter() {
    holder_.closeWriteChannel();  // cat ends, and the lock goes with it
    if (!holder_.waitForFinished(5000)) holder_.kill();
  }

 private:
  QProcess holder_;
};

// Another program with `file` open and no lock on it, as a browser writes a download under a
// ".part" name.
class OtherDownload {
 public:
  explicit OtherDownload(const std::string& file) {
    holder_.start("sh", {"-c", "exec 3>>\"$0\"; echo open; cat", QString::fromStdString(file)});
    holder_.waitForReadyRead(5000);
  }
  ~OtherDownload() {
    holder_.closeWriteChannel();
    if (!holder_.waitForFinished(5000)) holder_.kill();
  }

 private:
  QProcess holder_;
};

class LeftoverMovies : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  QTemporaryDir dir_;
};

TEST_F(LeftoverMovies, EachGetsTheFirstFreeNumberOfItsNameAndTheUserIsToldWhere) {
  Write("clip.avi.part", MovieBytes("first"));
  Write("clip0001.avi", "an older movie");
  Write("take0003.avi.part", MovieBytes("second"));
  Write("song.avi.part", "a download that is no movie");
  Write("empty.avi.part", "");
  Write("held.avi.part", MovieBytes("still being recorded"));
  OtherWriter writer(Path("held.avi.part"));
  ASSERT_TRUE(mg::HeldByRecording(Path("held.avi.part")));
  Write("arriving.avi.part", MovieBytes("a download of a movie"));
  OtherDownload download(Path("arriving.avi.part"));
  ASSERT_FALSE(mg::HeldByRecording(Path("arriving.avi.part")));

  const std::vector<mg::LeftoverMovie> found = mg::RescueLeftoverMovies(dir_.path().toStdString());
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].file, Path("clip.avi.part"));
  EXPECT_EQ(found[0].movie, Path("clip0002.avi"));
  EXPECT_EQ(found[1].movie, Path("take0003.avi")) << "its own number was free";
  EXPECT_EQ(Contents(Path("clip0002.avi")), MovieBytes("first"));
  EXPECT_EQ(Contents(Path("take0003.avi")), MovieBytes("second"));
  EXPECT_EQ(Contents(Path("clip0001.avi")), "an older movie");
  EXPECT_FALSE(std::filesystem::exists(Path("clip.avi.part")));
  EXPECT_EQ(Contents(Path("held.avi.part")), MovieBytes("still being recorded"));
  EXPECT_EQ(Contents(Path("song.avi.part")), "a download that is no movie");
  EXPECT_EQ(Contents(Path("arriving.avi.part")), MovieBytes("a download of a movie"));
  EXPECT_TRUE(std::filesystem::exists(Path("empty.avi.part")));

  EXPECT_EQ(mg::LeftoverMoviesText(found),
            "Recordings were cut off before they were finished (Movigram or the computer stopped "
            "while they ran). What they recorded is in:\n" +
                Path("clip0002.avi") + "\n" + Path("take0003.avi"));
  EXPECT_EQ(mg::LeftoverMoviesText({found[1]}),
            "A recording was cut off before it was finished (Movigram or the computer stopped "
            "while it ran). What it recorded is in " +
                Path("take0003.avi") + ".");
  EXPECT_TRUE(mg::RescueLeftoverMovies(dir_.path().toStdString()).empty()) << "found only once";
}

TEST_F(LeftoverMovies, OneWithNoFreeNumberStaysAndTheUserIsToldWhyAndWhere) {
  Write("clip9999.avi", "the last number there is");
  Write("clip9999.avi.part", MovieBytes("frames"));
  const std::vector<mg::LeftoverMovie> found = mg::RescueLeftoverMovies(dir_.path().toStdString());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].movie.empty());
  EXPECT_EQ(Contents(Path("clip9999.avi.part")), MovieBytes("frames"));
  EXPECT_EQ(Contents(Path("clip9999.avi")), "the last number there is");
  EXPECT_EQ(mg::LeftoverMoviesText(found),
            "A recording was cut off before it was finished (Movigram or the computer stopped "
            "while it ran). What it recorded is in " +
                Path("clip9999.avi.part") +
                ", which could not be given a name of its own (no free number is left for it).");
}

TEST_F(LeftoverMovies, TheFolderIsTheOneARecordingOfTheNameWouldUse) {
  EXPECT_EQ(mg::FolderOfMovies("clip.avi", "/home/u/Videos"), "/home/u/Videos");
  EXPECT_EQ(mg::FolderOfMovies("", "/home/u/Videos"), "/home/u/Videos");
  EXPECT_EQ(mg::FolderOfMovies("talks/take", "/home/u/Videos"), "/home/u/Videos/talks");
  EXPECT_EQ(mg::FolderOfMovies("/data/clip.avi", "/home/u/Videos"), "/data");
}

// A new recording under the name of one cut off earlier moves that one out of the way first.
TEST_F(LeftoverMovies, ARecordingNeverEmptiesOneUnderItsOwnTemporaryName) {
  EngineRig rig(dir_.path().toStdString());
  rig.settings.IncFilename = 0;
  Write("clip.avi.part", MovieBytes("cut off"));
  EXPECT_EQ(rig.Record(mg::StartMode::Recording,
                       [&] {
                         rig.timer.Tick();
                         EngineRig::Pump();
                       }),
            1);
  EXPECT_EQ(Contents(Path("clip0001.avi")), MovieBytes("cut off"));
  EXPECT_EQ(Contents(Path("clip.avi")), "RIFF") << "the new recording went on";
  ASSERT_EQ(rig.owner.messages.size(), 2u);
  EXPECT_EQ(rig.owner.messages[0],
            "A recording was cut off before it was finished (Movigram or the computer stopped "
            "while it ran). What it recorded is in " +
                Path("clip0001.avi") + ".");
  EXPECT_EQ(mgtest::FirstLine(rig.owner.messages[1]), "Total frames: 1, skipped: 0");
}

TEST_F(LeftoverMovies, ARecordingWhoseTemporaryNameHoldsOneThatCannotMoveIsRefused) {
  EngineRig rig(dir_.path().toStdString());
  rig.settings.IncFilename = 0;
  rig.settings.AVIFileName = Path("clip9999.avi");
  Write("clip9999.avi", "the last number there is");
  Write("clip9999.avi.part", MovieBytes("cut off"));
  EXPECT_EQ(rig.Record(mg::StartMode::Recording, [] {}), 0);
  EXPECT_TRUE(rig.avi.opened.empty()) << "nothing was opened";
  EXPECT_EQ(Contents(Path("clip9999.avi.part")), MovieBytes("cut off"));
  ASSERT_EQ(rig.owner.messages.size(), 1u);
  EXPECT_EQ(rig.owner.messages[0],
            "Error opening AVI file. (Open AVI)\n" + Path("clip9999.avi") +
                ": an earlier recording that was cut off is in " + Path("clip9999.avi.part") +
                " and could not be given a name of its own (no free number is left for it).");
}

}  // namespace
