// The Screen Area tab on its own: what a typed value becomes, the order of the exchange when a
// field is refused, the window-mode buttons and the refresh from the settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "pages/message_box.h"
#include "pages/page_messages.h"
#include "pages/screen_area_page.h"

namespace {

TEST(IntegerText, FollowsTheFieldsRule) {
  const struct {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"640", true, 640},
      {"  640  ", true, 640},
      {"\t-20\t", true, -20},
      {"+15", true, 15},
      {"0", true, 0},
      {" 0 ", true, 0},
      {"007", true, 7},
      {"5000", true, 5000},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"+0", false, 0},
      {"-0", false, 0},
      {"", false, 0},
      {"   ", false, 0},
      {"abc", false, 0},
      {"12abc", false, 0},
      {"1 2", false, 0},
      {"+", false, 0},
      {"--5", false, 0},
      {"0x10", false, 0},
      {"1.5", false, 0},
      {"2147483648", false, 0},
      // Only the first 31 characters count: what follows them is never read.
      {"1                              x", true, 1},
      {"                               7", false, 0},
  };
  for (const auto& c : cases) {
    int value = 12345;
    EXPECT_EQ(mg::ParseIntegerText(QString::fromUtf8(c.text), &value), c.ok)
        << '"' << c.text << '"';
    EXPECT_EQ(value, c.ok ? c.value : 12345) << '"' << c.text << '"';
  }
}

class ScreenAreaPageTest : public ::testing::Test {
 protected:
  ScreenAreaPageTest() {
    mg::SetMessageBoxHook([this](const QString& text, mg::MsgButtons, mg::MsgIcon) {
      messages_.push_back(text);
      return mg::MsgAnswer::Ok;
    });
    settings_.StartX = 10;
    settings_.StartY = 20;
    settings_.Width = 320;
    settings_.Height = 240;
    page_ = std::make_unique<mg::CMyPropertyPage2>(settings_);
  }
  ~ScreenAreaPageTest() override { mg::SetMessageBoxHook({}); }

  template <typename T>
  T* Child(const char* name) {
    T* w = page_->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Type(const char* field, const QString& text) { Child<QLineEdit>(field)->setText(text); }
  void Leave(const char* field) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Child<QLineEdit>(field), &out);
  }
  QString Shown(const char* field) { return Child<QLineEdit>(field)->text(); }

  mg::AppSettings settings_;
  std::unique_ptr<mg::CMyPropertyPage2> page_;
  QStringList messages_;
};

TEST_F(ScreenAreaPageTest, ShowsTheLabelsButtonsAndSettings) {
  EXPECT_EQ(Shown("startX"), "10");
  EXPECT_EQ(Shown("startY"), "20");
  EXPECT_EQ(Shown("width"), "320");
  EXPECT_EQ(Shown("height"), "240");
  EXPECT_EQ(Child<QPushButton>("selectRegion")->text(), "Select Re&gion");
  EXPECT_EQ(Child<QPushButton>("selectWindow")->text(), "Select Wi&ndow");
  EXPECT_EQ(Child<QRadioButton>("leaveOpened")->text(), "Leave Movigram Window &Opened");
  EXPECT_EQ(Child<QRadioButton>("iconize")->text(), "&Iconize Movigram Window to the Task Bar");
  EXPECT_EQ(Child<QRadioButton>("hide")->text(), "Hid&e Movigram Window");
  EXPECT_TRUE(Child<QRadioButton>("iconize")->isChecked());
}

TEST_F(ScreenAreaPageTest, ALeftFieldStoresItsValueAsTyped) {
  Type("width", "  640  ");
  Leave("width");
  EXPECT_EQ(settings_.Width, 640);
  Type("startX", "-20");
  Leave("startX");
  EXPECT_EQ(settings_.StartX, -20);
  Type("width", "5000");
  Leave("width");
  EXPECT_EQ(settings_.Width, 5000) << "no clamping to the screen";
  Type("height", "0");
  Leave("height");
  EXPECT_EQ(settings_.Height, 0);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  // Only the field that was left goes into its setting.
  Type("startY", "77");
  Leave("width");
  EXPECT_EQ(settings_.StartY, 20);
}

TEST_F(ScreenAreaPageTest, ARefusedFieldKeepsItsValueAndStopsTheExchangeThere) {
  for (const char* bad : {"abc", "", "+0", "-0", "12px"}) {
    messages_.clear();
    Type("width", bad);
    Leave("width");
    EXPECT_EQ(messages_, QStringList{"Please enter an integer."}) << bad;
    EXPECT_EQ(settings_.Width, 320) << bad;
  }
  // The exchange runs height, top, left, width: a bad top leaves left and width unread, so
  // leaving Start X stores the value it had, not the one typed.
  Type("width", "400");
  Type("startX", "50");
  Type("startY", "oops");
  messages_.clear();
  Leave("startX");
  EXPECT_EQ(messages_, QStringList{"Please enter an integer."});
  EXPECT_EQ(settings_.StartX, 10);
  // With the top fixed, the next exchange reads them all.
  Type("startY", "25");
  Leave("startX");
  EXPECT_EQ(settings_.StartX, 50);
  EXPECT_EQ(settings_.StartY, 20) << "Start Y was not the field left";
  // A bad height, first in the order, stops everything: leaving Start Y stores the top as the
  // last exchange read it (25), not the 30 typed now.
  Type("height", "x");
  Type("startY", "30");
  Leave("startY");
  EXPECT_EQ(settings_.StartY, 25);
  EXPECT_EQ(settings_.Height, 240);
}

TEST_F(ScreenAreaPageTest, WindowModeButtonsStoreTheirIdentifiers) {
  Child<QRadioButton>("leaveOpened")->click();
  EXPECT_EQ(settings_.WndHide, 1047);
  Child<QRadioButton>("hide")->click();
  EXPECT_EQ(settings_.WndHide, 1050);
  Child<QRadioButton>("iconize")->click();
  EXPECT_EQ(settings_.WndHide, 1048);
}

TEST_F(ScreenAreaPageTest, RefreshShowsTheSettingsAndTurnsAnUnknownWindowModeIntoIconize) {
  for (int stored : {1049, 0, 1023, 1019, 99999}) {
    settings_.WndHide = stored;
    Child<QRadioButton>("leaveOpened")->click();
    settings_.WndHide = stored;
    page_->RefreshFromSettings();
    EXPECT_EQ(settings_.WndHide, 1048) << stored;
    EXPECT_TRUE(Child<QRadioButton>("iconize")->isChecked()) << stored;
    EXPECT_FALSE(Child<QRadioButton>("leaveOpened")->isChecked()) << stored;
  }
  settings_.WndHide = 1050;
  settings_.StartX = 1;
  settings_.StartY = 2;
  settings_.Width = 3;
  settings_.Height = 4;
  page_->RefreshFromSettings();
  EXPECT_TRUE(Child<QRadioButton>("hide")->isChecked());
  EXPECT_EQ(Shown("startX") + Shown("startY") + Shown("width") + Shown("height"), "1234");
}

TEST_F(ScreenAreaPageTest, WithoutADisplayToChooseOnTheButtonsSaySo) {
  Child<QPushButton>("selectRegion")->click();
  EXPECT_EQ(messages_,
            QStringList{"Choosing the area on the screen is not possible on this display."});
  EXPECT_EQ(settings_.Width, 320);
}

}  // namespace
