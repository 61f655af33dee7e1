// Removing the settings and the uninstall record from the real store files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "setup/installer.h"
#include "setup/uninstaller.h"
#include "tests/setup/setup_test_support.h"

namespace {

void StoreSettings(const QString& file) {
  QSettings stored(file, QSettings::IniFormat);
  stored.setValue("State/Width", 200);
  stored.setValue("Keys/Start Key", 120);
}

TEST(SetupRegistry, RemovalTakesBothGroupsAndTheMakerFolderOnlyWhenNothingElseIsInIt) {
  mgtest::PrivateHome home;
  const mg::SetupServices& setup = home.Services();
  StoreSettings(home.SettingsFile());
  StoreSettings(home.Path(".config/Tessaworks/Other.conf"));  // another product of the maker
  std::unique_ptr<mg::IRegistryKey> record;
  ASSERT_EQ(setup.uninstallRecord->CreateKey(mg::kUninstallKeyPath, &record), mg::kRegOk);
  record->SetValue("DisplayName", mg::kRegSz, "Movigram", 8);
  record->Close();
  ASSERT_TRUE(QFile::exists(home.Path(".local/share/Movigram-uninstall.conf")));

  mg::RemoveRegistryKeys(*setup.settings, setup.uninstallRecord, "Tessaworks", "Movigram");
  EXPECT_FALSE(QFile::exists(home.SettingsFile()));
  EXPECT_TRUE(QFile::exists(home.Path(".config/Tessaworks/Other.conf")));
  EXPECT_FALSE(QFile::exists(home.Path(".local/share/Movigram-uninstall.conf")));

  // The last product gone, the maker's folder goes too; a second removal finds nothing and
  // says nothing.
  QFile::remove(home.Path(".config/Tessaworks/Other.conf"));
  StoreSettings(home.SettingsFile());
  mg::RemoveRegistryKeys(*setup.settings, setup.uninstallRecord, "Tessaworks", "Movigram");
  EXPECT_FALSE(QDir(home.Path(".config/Tessaworks")).exists());
  mg::RemoveRegistryKeys(*setup.settings, setup.uninstallRecord, "Tessaworks", "Movigram");
  EXPECT_EQ(home.Files(), QStringList{});
}

TEST(SetupRegistry, TheUninstallRecordGoesEvenWhenTheSettingsWereAlreadyMissing) {
  mgtest::PrivateHome home;
  const mg::SetupServices& setup = home.Services();
  std::unique_ptr<mg::IRegistryKey> record;
  ASSERT_EQ(setup.uninstallRecord->CreateKey(mg::kUninstallKeyPath, &record), mg::kRegOk);
  record->SetValue("UninstallString", mg::kRegSz, "x", 1);
  record->Close();
  mg::RemoveRegistryKeys(*setup.settings, setup.uninstallRecord, "Tessaworks", "Movigram");
  EXPECT_EQ(home.Files(), QStringList{});
}

}  // namespace
