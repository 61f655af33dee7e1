// The "Install Movigram" chooser on a real X server, typed into through XTest (xdotool) as a
// user types, through its three checks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include "setup/install_to_dialog.h"
#include "tests/app/app_test_support.h"
#include "tests/setup/setup_test_support.h"

namespace {

using mgtest::RunWhen;
using mgtest::ShownChooser;
using mgtest::TypeAndPressReturn;
using mgtest::WaitUntil;
using mgtest::Xdotool;

TEST(InstallToDialog, ItsThreeChecksKeepItOpenUntilAWritableDirectoryIsGiven) {
  mgtest::PrivateHome home;
  mgtest::MessageAnswers answers;
  QTemporaryDir place;
  const QString deep = place.filePath("missing/deeper");
  const QString fresh = place.filePath("Fresh Dir");
  bool ran = false;
  RunWhen([] { return ShownChooser() != nullptr; },
          [&] {
            ran = true;
            mg::CInstallToDialog* dialog = ShownChooser();
            EXPECT_EQ(dialog->windowTitle(), "Install Movigram");
            EXPECT_EQ(dialog->InstallToField()->text(), home.Path("Movigram"));
            EXPECT_TRUE(dialog->InstallToField()->hasFocus());
            // Centred while the window manager's frame was not yet known: within a title bar.
            const QRect screen = dialog->screen()->geometry();
            EXPECT_LE(std::abs(dialog->frameGeometry().center().x() - screen.center().x()), 16);
            EXPECT_LE(std::abs(dialog->frameGeometry().center().y() - screen.center().y()), 16);
            mgtest::Screenshot("install_to_dialog");

            // Two levels that do not exist: only one is made, so it cannot be created.
            TypeAndPressReturn(deep);
            ASSERT_TRUE(WaitUntil([&] { return answers.shown.size() == 2; }));
            EXPECT_EQ(answers.shown[0].text,
                      "Directory \"" + deep + "\" does not exist. Do you want to create it?");
            EXPECT_EQ(answers.shown[0].buttons, mg::MsgButtons::YesNo);
            EXPECT_EQ(answers.shown[0].icon, mg::MsgIcon::Question);
            EXPECT_EQ(answers.shown[1].text,
                      "Directory \"" + deep +
                          "\" could not be created. Please specify a different "
                          "name.");
            EXPECT_EQ(answers.shown[1].icon, mg::MsgIcon::Error);
            EXPECT_FALSE(QDir(place.filePath("missing")).exists());

            // A directory that exists but takes no new file, even for root.
            TypeAndPressReturn("/proc");
            ASSERT_TRUE(WaitUntil([&] { return answers.shown.size() == 3; }));
            EXPECT_EQ(answers.shown[2].text,
                      "Directory \"/proc\" is read-only. Please specify a different name.");
            EXPECT_EQ(answers.shown[2].icon, mg::MsgIcon::Error);

            // A new directory: No makes nothing; Yes makes it and the chooser ends.
            answers.Queue(mg::MsgAnswer::No);
            TypeAndPressReturn(fresh);
            ASSERT_TRUE(WaitUntil([&] { return answers.shown.size() == 4; }));
            EXPECT_FALSE(QDir(fresh).exists());
            EXPECT_TRUE(dialog->isVisible());
            Xdotool({"key", "Return"});
          });
  QString destination;
  EXPECT_TRUE(mg::ChooseDestination(home.Path("Movigram"), home.Path(), &destination));
  ASSERT_TRUE(ran);
  EXPECT_EQ(destination, fresh);
  EXPECT_TRUE(QDir(fresh).exists());
  EXPECT_EQ(QDir(fresh).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{})
      << "the probe file is gone";
  EXPECT_EQ(answers.shown.size(), 5u);
}

TEST(InstallToDialog, EscapeCancelsAndARelativeNameStartsAtHome) {
  mgtest::PrivateHome home;
  mgtest::MessageAnswers answers;
  RunWhen([] { return ShownChooser() != nullptr; }, [] { Xdotool({"key", "Escape"}); });
  QString destination;
  EXPECT_FALSE(mg::ChooseDestination(home.Path("Movigram"), home.Path(), &destination));
  EXPECT_TRUE(answers.shown.empty());

  RunWhen([] { return ShownChooser() != nullptr; }, [] { TypeAndPressReturn("Apps"); });
  EXPECT_TRUE(mg::ChooseDestination(home.Path("Movigram"), home.Path(), &destination));
  EXPECT_EQ(destination, home.Path("Apps"));
}

}  // namespace
