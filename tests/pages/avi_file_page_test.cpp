// The AVI File tab: what each control writes into the settings, the messages for bad numbers,
// Browse, and the compressor list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

#include "codecs/compressor_registry.h"
#include "pages/avi_file_page.h"
#include "pages/message_box.h"
#include "platform/windows_records.h"

namespace {

class AviFilePageTest : public ::testing::Test {
 protected:
  AviFilePageTest() {
    mg::SetMessageBoxHook([this](const QString& text, mg::MsgButtons, mg::MsgIcon) {
      messages_.push_back(text);
      return mg::MsgAnswer::Ok;
    });
  }
  ~AviFilePageTest() override {
    mg::SetMessageBoxHook({});
    mg::CMyPropertyPage3::SetSaveFileHook({});
  }

  template <typename T>
  T* Child(const char* name) {
    T* w = page_.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // Types into a field and leaves it, as a person tabbing away would.
  void Enter(const char* field, const QString& text) {
    Child<QLineEdit>(field)->setText(text);
    Leave(field);
  }
  // Leaves a field without changing it.
  void Leave(const char* field) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Child<QLineEdit>(field), &out);
  }
  QStringList Entries() {
    QStringList list;
    auto* combo = Child<QComboBox>("compressor");
    for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
    return list;
  }

  mg::AppSettings settings_;
  mg::CMyPropertyPage3 page_{settings_};
  QStringList messages_;
};

TEST_F(AviFilePageTest, ShowsTheSettings) {
  EXPECT_EQ(Child<QLineEdit>("fileName")->text(), "clip.avi");
  EXPECT_EQ(Child<QLineEdit>("rate")->text(), "10") << "10.0 shows as 10";
  EXPECT_EQ(Child<QLineEdit>("keyFrames")->text(), "20");
  EXPECT_EQ(Child<QLineEdit>("quality")->text(), "75");
  EXPECT_TRUE(Child<QCheckBox>("sequentialNumber")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>("recordSound")->isChecked());
}

TEST_F(AviFilePageTest, CompressorListHasAutoFirstUncompressedLastAndEachCompressorOnce) {
  const QStringList entries = Entries();
  ASSERT_GE(entries.size(), 2);
  EXPECT_EQ(entries.front(), "Auto Select - Strongly Recommended!");
  EXPECT_EQ(entries.back(), "Full Frames (Uncompressed)");
  QStringList unique = entries;
  EXPECT_EQ(unique.removeDuplicates(), 0);
  auto* combo = Child<QComboBox>("compressor");
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(combo->itemData(entries.size() - 1).toUInt(), mg::MakeFourcc("DIB "));
  int uncompressed = 0;
  for (int i = 0; i < combo->count(); ++i)
    uncompressed += combo->itemData(i).toUInt() == mg::MakeFourcc("DIB ");
  EXPECT_EQ(uncompressed, 1);
  for (const auto& c : mg::InstalledCompressors()) {
    if (c.fccHandler != mg::MakeFourcc("DIB ")) {
      EXPECT_GE(combo->findData(c.fccHandler), 1) << c.description;
    }
  }

  // Choosing an entry sets the compressor; a new fill gives the same list, Auto selected.
  const int h264 = combo->findData(mg::MakeFourcc("H264"));
  if (h264 > 0) {
    combo->setCurrentIndex(h264);
    emit combo->activated(h264);
    EXPECT_EQ(settings_.CompressorHandler, mg::MakeFourcc("H264"));
  }
  settings_.ResetToDefaults();
  page_.Fill();
  EXPECT_EQ(Entries(), entries);
  EXPECT_EQ(combo->currentIndex(), 0);
}

TEST_F(AviFilePageTest, QualityOutOfRangeIsTakenAfterTheMessageLettersAreNot) {
  Enter("quality", "5");
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_EQ(messages_[0], "Please enter an integer between 10 and 100.");
  EXPECT_EQ(settings_.Compress, 5);
  messages_.clear();
  Enter("quality", "abc");
  EXPECT_EQ(messages_, QStringList{"Please enter an integer."});
  EXPECT_EQ(settings_.Compress, 5);
  Enter("quality", "90");
  EXPECT_EQ(settings_.Compress, 90);
}

// A stored quality of 500 % records as 100 %, a key-frame interval of -3 as 0: the tab shows what
// is used. The stored values change only when the user enters another value.
TEST_F(AviFilePageTest, ValuesARecordingClampsAreShownAsUsedAndKeptUntilChanged) {
  settings_.Compress = 500;
  settings_.KeyFrames = -3;
  page_.Fill();
  EXPECT_EQ(Child<QLineEdit>("quality")->text(), "100");
  EXPECT_EQ(Child<QLineEdit>("keyFrames")->text(), "0");
  settings_.Compress = -20;
  page_.Fill();
  EXPECT_EQ(Child<QLineEdit>("quality")->text(), "0");

  settings_.Compress = 500;
  page_.Fill();
  for (const char* field : {"quality", "keyFrames", "fileName", "rate"}) Leave(field);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  EXPECT_EQ(settings_.Compress, 500);
  EXPECT_EQ(settings_.KeyFrames, -3);

  Enter("quality", "90");
  EXPECT_EQ(settings_.Compress, 90);
  Enter("keyFrames", "5");
  EXPECT_EQ(settings_.KeyFrames, 5);
  EXPECT_TRUE(messages_.isEmpty());

  // Values in range are shown as stored.
  settings_.Compress = 10;
  settings_.KeyFrames = 100;
  page_.Fill();
  EXPECT_EQ(Child<QLineEdit>("quality")->text(), "10");
  EXPECT_EQ(Child<QLineEdit>("keyFrames")->text(), "100");
}

TEST_F(AviFilePageTest, KeyFramesRangeIsZeroToHundred) {
  Enter("keyFrames", "0");
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_EQ(settings_.KeyFrames, 0);
  Enter("keyFrames", "101");
  EXPECT_EQ(messages_, QStringList{"Please enter an integer between 0 and 100."});
  EXPECT_EQ(settings_.KeyFrames, 101);
}

TEST_F(AviFilePageTest, RateTakesAnyNumberAndRefusesText) {
  Enter("rate", "15");
  EXPECT_DOUBLE_EQ(settings_.FPS, 15.0);
  Enter("rate", "7.5");
  EXPECT_DOUBLE_EQ(settings_.FPS, 7.5);
  Enter("rate", "fast");
  EXPECT_EQ(messages_, QStringList{"Please enter a number."});
  EXPECT_DOUBLE_EQ(settings_.FPS, 7.5);
}

TEST_F(AviFilePageTest, AFieldThatFailsStopsTheExchangeOfTheFieldsAfterIt) {
  // Key frames is read before the rate: a bad key-frame count keeps the new rate out.
  Child<QLineEdit>("keyFrames")->setText("x");
  Enter("rate", "25");
  EXPECT_EQ(messages_, QStringList{"Please enter an integer."});
  EXPECT_DOUBLE_EQ(settings_.FPS, 10.0);
}

TEST_F(AviFilePageTest, CheckBoxesWriteAtOnce) {
  Child<QCheckBox>("sequentialNumber")->click();
  EXPECT_EQ(settings_.IncFilename, 0);
  Child<QCheckBox>("recordSound")->click();
  EXPECT_EQ(settings_.RecSound, 0);
}

TEST_F(AviFilePageTest, BrowseFillsTheFieldAndTheSettingFollowsWhenTheFieldIsLeft) {
  mg::CMyPropertyPage3::SetSaveFileHook([] { return QString("/tmp/chosen.avi"); });
  Child<QPushButton>("browse")->click();
  EXPECT_EQ(page_.ShownFileName(), "/tmp/chosen.avi");
  EXPECT_EQ(settings_.AVIFileName, "clip.avi") << "not before the field is left";
  Enter("fileName", page_.ShownFileName());
  EXPECT_EQ(settings_.AVIFileName, "/tmp/chosen.avi");

  mg::CMyPropertyPage3::SetSaveFileHook([] { return QString(); });  // cancelled
  Child<QPushButton>("browse")->click();
  EXPECT_EQ(page_.ShownFileName(), "/tmp/chosen.avi");
}

TEST_F(AviFilePageTest, ANameTooLongIsRefusedInWordsAndTheSettingKept) {
  Enter("fileName", "good.avi");
  ASSERT_EQ(settings_.AVIFileName, "good.avi");
  const QString tooLong = QString(260, 'x');
  Enter("fileName", tooLong);
  EXPECT_EQ(settings_.AVIFileName, "good.avi");
  EXPECT_EQ(messages_, QStringList{"The movie file name is too long (at most 259 characters)."});
  EXPECT_EQ(Child<QLineEdit>("fileName")->text(), tooLong) << "left to be mended";
  messages_.clear();
  Enter("fileName", QString(259, 'y'));
  EXPECT_EQ(settings_.AVIFileName, std::string(259, 'y'));
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(AviFilePageTest, ANameWithACommaIsTaken) {
  Enter("fileName", "a,b.avi");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  EXPECT_EQ(settings_.AVIFileName, "a,b.avi");
}

TEST_F(AviFilePageTest, ANumberedNameChosenByARecordingIsShown) {
  page_.ShowFileName("clip0003.avi");
  EXPECT_EQ(Child<QLineEdit>("fileName")->text(), "clip0003.avi");
}

}  // namespace
