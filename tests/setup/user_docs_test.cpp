// What the installer puts beside the program for the user to read: the help page and the readme,
// as the build lays them out. They must describe the program as it is: every control of the main
// window and its tabs named as the window labels it, links that lead somewhere, and what a user
// needs first (the keys, where the movies go, install, uninstall, the options file).
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>
#include <QXmlStreamReader>

#include "tests/setup/setup_test_support.h"

namespace {

QString ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString HelpHtml() {
  return ReadAll(mgtest::BuildDir() + "/help/index.html");
}

// The help page as the browser shows it: no tags, entities resolved, blanks collapsed.
QString HelpText() {
  QTextDocument page;
  page.setHtml(HelpHtml());
  return page.toPlainText().simplified();
}

// What the user reads on the controls of a form: the texts of its buttons, check boxes and radio
// buttons, and of the labels that name a field, without mnemonics and trailing colons.
QStringList ControlTexts(const QString& form) {
  QFile file(QStringLiteral(MG_SOURCE_DIR "/resources/") + form);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << form.toStdString();
  QXmlStreamReader xml(&file);
  QStringList texts;
  QStringList classes;  // the open <widget> elements
  QString text;
  bool namesAField = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QLatin1String("widget")) {
      classes << xml.attributes().value("class").toString();
      text.clear();
      namesAField = false;
    } else if (xml.isStartElement() && xml.name() == QLatin1String("property")) {
      const QString property = xml.attributes().value("name").toString();
      if (property == QLatin1String("buddy")) namesAField = true;
      if (property == QLatin1String("text")) {
        xml.readNextStartElement();
        text = xml.readElementText();
      }
    } else if (xml.isEndElement() && xml.name() == QLatin1String("widget")) {
      const QString kind = classes.takeLast();
      const bool control = kind == QLatin1String("QPushButton") ||
                           kind == QLatin1String("QCheckBox") ||
                           kind == QLatin1String("QRadioButton");
      if (!text.isEmpty() && (control || (kind == QLatin1String("QLabel") && namesAField))) {
        QString shown = text;
        shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        if (shown.endsWith(':')) shown.chop(1);
        texts << shown;
      }
      text.clear();
      namesAField = false;
    }
  }
  EXPECT_FALSE(xml.hasError()) << form.toStdString() << ": " << xml.errorString().toStdString();
  return texts;
}

TEST(UserDocs, HelpPageNamesEveryControlOfTheWindowAndItsTabs) {
  const QString help = HelpText();
  ASSERT_FALSE(help.isEmpty()) << "no help page beside the program";
  int named = 0;
  for (const char* form :
       {"main_dialog.ui", "screen_area_page.ui", "hot_keys_page.ui", "avi_file_page.ui"}) {
    const QStringList texts = ControlTexts(QString::fromLatin1(form));
    EXPECT_FALSE(texts.isEmpty()) << form;
    for (const QString& text : texts) {
      ++named;
      EXPECT_TRUE(help.contains(text, Qt::CaseInsensitive))
          << form << ": the help page does not name \"" << text.toStdString() << "\"";
    }
  }
  EXPECT_GE(named, 30);
}

TEST(UserDocs, HelpPageLinksLeadToItsOwnSections) {
  const QString html = HelpHtml();
  QSet<QString> ids;
  for (const auto& m : QRegularExpression(QStringLiteral("\\bid=\"([^\"]+)\"")).globalMatch(html))
    ids << m.captured(1);
  // The Select Hot Key window's Help opens this section.
  EXPECT_TRUE(ids.contains(QStringLiteral("hot-keys")));
  int links = 0;
  for (const auto& m : QRegularExpression(QStringLiteral("href=\"#([^\"]*)\"")).globalMatch(html)) {
    ++links;
    EXPECT_TRUE(ids.contains(m.captured(1))) << "#" << m.captured(1).toStdString();
  }
  EXPECT_GT(links, 0);
}

// The readme beside the program is the users': what Movigram does and what they need first, in
// plain text, without the developers' build and test instructions.
TEST(UserDocs, ReadmeIsForUsers) {
  const QString readme = ReadAll(mgtest::BuildDir() + "/readme.txt");
  ASSERT_FALSE(readme.isEmpty()) << "no readme beside the program";
  EXPECT_EQ(readme, ReadAll(QStringLiteral(MG_SOURCE_DIR "/resources/readme.txt")));
  for (const char* needed :
       {"F2", "F3", "Shift+F3", "Select Region", "Select Window", "~/Videos", "-install",
        "Uninstall Movigram", "-dumpopts", "-readopts", "Movigram.ini", "Movigram Help"})
    EXPECT_TRUE(readme.contains(QLatin1String(needed))) << needed;
  for (const char* developers : {"tools/", "DEVELOPERS", "ctest", "cmake", "```", "](", "bench"})
    EXPECT_FALSE(readme.contains(QLatin1String(developers), Qt::CaseInsensitive)) << developers;
}

// Both say where a movie named without a folder goes, and that both ways of choosing the area
// are there.
TEST(UserDocs, HelpPageSaysWhereMoviesGoAndHowToChooseTheArea) {
  const QString help = HelpText();
  EXPECT_TRUE(help.contains(QLatin1String("~/Videos")));
  EXPECT_TRUE(help.contains(QLatin1String("home folder")));
  EXPECT_FALSE(help.contains(QLatin1String("later version")));
  for (const char* key : {"Arrow keys", "Enter", "Tab", "Escape", "right click"})
    EXPECT_TRUE(help.contains(QLatin1String(key))) << key;
}

}  // namespace
