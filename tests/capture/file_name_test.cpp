// Settling the movie's file name: the extension and the sequential number.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "capture/file_name.h"

namespace {

using mg::FileNameResult;

class FileNameTest : public ::testing::Test {
 protected:
  std::string P(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
  }
  void Touch(const std::string& name) const { std::ofstream(P(name)) << "x"; }
  std::string Numbered(const std::string& name) const {
    std::string out;
    EXPECT_EQ(mg::NumberedFileName(P(name), &out), FileNameResult::Ok);
    return out;
  }
  QTemporaryDir dir_;
};

TEST_F(FileNameTest, ExtensionIsAddedUnlessTheTailHoldsIt) {
  EXPECT_EQ(mg::WithAviExtension("movie"), "movie.avi");
  EXPECT_EQ(mg::WithAviExtension("movie.AVI"), "movie.AVI");
  EXPECT_EQ(mg::WithAviExtension("a.avi.bak"), "a.avi.bak.avi");
  EXPECT_EQ(mg::WithAviExtension(""), "capture.avi");
  EXPECT_EQ(mg::WithAviExtension(".avi"), ".avi");
  EXPECT_EQ(mg::WithAviExtension("x.avix"), "x.avix") << "\".avi\" anywhere in the last five";
}

TEST_F(FileNameTest, NumberingStartsAtTheTrailingNumberAndSkipsTakenNames) {
  EXPECT_EQ(Numbered("clip.avi"), P("clip0001.avi"));
  EXPECT_EQ(Numbered("clip0003.avi"), P("clip0003.avi"));
  Touch("clip0003.avi");
  Touch("clip0004.avi");
  EXPECT_EQ(Numbered("clip0003.avi"), P("clip0005.avi"));
  EXPECT_EQ(Numbered("clip12.avi"), P("clip0012.avi"));
  EXPECT_EQ(Numbered("clip0.avi"), P("clip0001.avi")) << "0 counts as 1";
  EXPECT_EQ(Numbered("take"), P("take0001")) << "no extension";
}

TEST_F(FileNameTest, AFullStopInAFolderNameIsNoExtension) {
  std::filesystem::create_directory(P("my.dir"));
  EXPECT_EQ(Numbered("my.dir/clip"), P("my.dir/clip0001"));
}

TEST_F(FileNameTest, NumbersFromTenThousandGiveTheBareStem) {
  EXPECT_EQ(Numbered("clip10000.avi"), P("clip"));
  EXPECT_EQ(Numbered("clip99999999999999999999.avi"), P("clip")) << "no overflow";
}

TEST_F(FileNameTest, WhenEveryNumberIsTakenTheLastIsUsed) {
  for (int n = 9990; n <= 9999; ++n) Touch("clip" + std::to_string(n) + ".avi");
  EXPECT_EQ(Numbered("clip9990.avi"), P("clip9999.avi"));
}

TEST_F(FileNameTest, SettlingLeavesAnOlderMovieAloneAndCountsUnfinishedOnesAsTaken) {
  // The older movie is replaced only by a recording that succeeded, never at the start.
  Touch("movie.avi");
  std::string name = P("movie");
  EXPECT_EQ(mg::SettleFileName(name, false), FileNameResult::Ok);
  EXPECT_EQ(name, P("movie.avi"));
  EXPECT_TRUE(std::filesystem::exists(P("movie.avi")));
  // A number another recording is writing (or one that was cut off) is not handed out again.
  Touch("clip0001.avi.part");
  EXPECT_EQ(Numbered("clip.avi"), P("clip0002.avi"));
}

TEST_F(FileNameTest, ANameWithACommaIsSettledLikeAnyOther) {
  std::string name = P("take,one.avi");
  EXPECT_EQ(mg::SettleFileName(name, true), FileNameResult::Ok);
  EXPECT_EQ(name, P("take,one0001.avi"));
  name = ",";
  EXPECT_EQ(mg::SettleFileName(name, false), FileNameResult::Ok);
  EXPECT_EQ(name, ",.avi");
}

TEST_F(FileNameTest, NamesBeyondTheWorkingBufferAreRefusedAndKept) {
  std::string name = std::string(256, 'a');  // 260 with ".avi": no room for the terminator
  const std::string before = name;
  EXPECT_EQ(mg::SettleFileName(name, false), FileNameResult::TooLong);
  EXPECT_EQ(name, before);

  std::string fits = std::string(251, 'b') + ".avi";  // 255: fits, but numbered it is 259
  EXPECT_EQ(mg::SettleFileName(fits, true), FileNameResult::Ok);
  EXPECT_EQ(fits, std::string(251, 'b') + "0001.avi");
  std::string tooLongNumbered = std::string(252, 'c') + ".avi";  // numbered: 260
  EXPECT_EQ(mg::SettleFileName(tooLongNumbered, true), FileNameResult::TooLong);
}

}  // namespace
