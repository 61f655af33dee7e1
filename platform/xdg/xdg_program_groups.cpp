// Program groups as the freedesktop applications menu. Each command is carried out against the
// menu files at once; xdg-desktop-menu writes the entries and the merged menu, xdg-icon-resource
// the icon. Files are first written into a private staging folder, from which the tools copy.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <set>
#include <vector>

#include "platform/program_groups.h"

namespace mg {
namespace {

// "[Verb(a,b,...)]" -> verb and arguments; commas inside double quotes do not split.
bool ParseCommand(const std::string& command, std::string* verb, std::vector<std::string>* args) {
  if (command.size() < 4 || command.front() != '[' || command.compare(command.size() - 2, 2, ")]"))
    return false;
  const size_t open = command.find('(');
  if (open == std::string::npos || open < 2) return false;
  *verb = command.substr(1, open - 1);
  const std::string inner = command.substr(open + 1, command.size() - open - 3);
  args->assign(1, {});
  bool quoted = false;
  for (size_t i = 0; i < inner.size(); ++i) {
    const char c = inner[i];
    if (c == '\\' && quoted && i + 1 < inner.size()) {
      args->back() += c;
      args->back() += inner[++i];
    } else if (c == '"') {
      quoted = !quoted;
      args->back() += c;
    } else if (c == ',' && !quoted) {
      args->emplace_back();
    } else {
      args->back() += c;
    }
  }
  return !quoted;
}

// A command line as the shell splits it: blanks separate words; double quotes (with backslash
// before $ ` " \), single quotes and backslashes quote.
std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
    } else if (c == '\'') {
      const size_t end = line.find('\'', i + 1);
      word += line.substr(i + 1, (end == std::string::npos ? line.size() : end) - i - 1);
      i = end == std::string::npos ? line.size() : end;
    } else if (c == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() &&
            std::string("$`\"\\\n").find(line[i + 1]) != std::string::npos)
          ++i;
        word += line[i];
      }
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// A string value of a desktop entry: backslash, line breaks and tabs escaped.
std::string DesktopString(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The Exec key: each argument with a reserved character in double quotes (", `, $ and \ escaped
// inside), % doubled, then the whole escaped as a string value.
std::string DesktopExec(const std::vector<std::string>& argv) {
  static const std::string kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string exec;
  for (const std::string& arg : argv) {
    std::string quoted;
    const bool needsQuotes = arg.empty() || arg.find_first_of(kReserved) != std::string::npos;
    for (const char c : arg) {
      if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
      quoted += c;
      if (c == '%') quoted += '%';
    }
    if (!exec.empty()) exec += ' ';
    exec += needsQuotes ? '"' + quoted + '"' : quoted;
  }
  return DesktopString(exec);
}

// "Movigram README" -> "movigram-readme".
std::string Slug(const std::string& name) {
  std::string out;
  for (const char c : name) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (alnum) {
      out += c;
    } else if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c - 'A' + 'a');
    } else if (!out.empty() && out.back() != '-') {
      out += '-';
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.empty() ? "item" : out;
}

class DesktopMenuGroups final : public IProgramGroups {
 public:
  DesktopMenuGroups(std::string iconPng, std::string vendor)
      : iconPng_(QString::fromStdString(iconPng)), vendor_(std::move(vendor)) {}

  bool Initialize() override {
    return staging_.isValid() && !Tool("xdg-desktop-menu").isEmpty() &&
           !Tool("xdg-icon-resource").isEmpty();
  }

  bool Execute(const std::string& command) override {
    std::string verb;
    std::vector<std::string> args;
    if (!ParseCommand(command, &verb, &args) || args.empty() || args[0].empty()) return false;
    if (verb == "CreateGroup") return CreateGroup(args[0]);
    if (verb == "ShowGroup") return ShowGroup(args[0]);
    if (verb == "ReplaceItem" || verb == "DeleteItem") return DeleteItem(args[0]);
    if (verb == "AddItem") return args.size() >= 2 && AddItem(args[0], args[1]);
    if (verb == "Reload") return Run("xdg-desktop-menu", {"forceupdate", "--mode", "user"});
    if (verb == "DeleteGroup") return DeleteGroup(args[0]);
    return false;
  }

 private:
  QString Name(const std::string& name) const {
    return QString::fromStdString(vendor_ + "-" + Slug(name));
  }
  static QString DataHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  }
  QString MenuFile(const std::string& group) const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/menus/applications-merged/user-" + Name(group) + ".menu";
  }
  QString DirectoryFile(const std::string& group) const {
    return DataHome() + "/desktop-directories/" + Name(group) + ".directory";
  }
  QString ItemFile(const std::string& item) const {
    return DataHome() + "/applications/" + Name(item) + ".desktop";
  }
  bool GroupExists(const std::string& group) const {
    return QFile::exists(MenuFile(group)) || QFile::exists(DirectoryFile(group));
  }

  static QString Tool(const char* name) { return QStandardPaths::findExecutable(name); }

  static bool Run(const char* tool, const QStringList& arguments) {
    const QString program = Tool(tool);
    if (program.isEmpty()) return false;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
      process.kill();
      process.waitForFinished();
      return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  }

  bool WriteStaged(const QString& name, const std::string& text) {
    QFile file(staging_.filePath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.data(), static_cast<qint64>(text.size())) ==
               static_cast<qint64>(text.size());
  }

  // The group's ".directory" file, staged for xdg-desktop-menu to install with the items.
  bool StageGroup(const std::string& group) {
    const std::string text = "[Desktop Entry]\nType=Directory\nName=" + DesktopString(group) +
                             "\nIcon=" + Name(group).toStdString() + "\n";
    if (!WriteStaged(Name(group) + ".directory", text)) return false;
    staged_.insert(group);
    return true;
  }

  bool CreateGroup(const std::string& group) {
    if (!StageGroup(group)) return false;
    current_ = group;
    const QString icon = staging_.filePath(Name(group) + ".png");
    QFile::remove(icon);
    if (!QFile::copy(iconPng_, icon)) return false;
    return Run("xdg-icon-resource",
               {"install", "--noupdate", "--mode", "user", "--size", "48", icon, Name(group)});
  }

  bool ShowGroup(const std::string& group) {
    if (!staged_.count(group) && !GroupExists(group)) return false;
    current_ = group;
    return true;
  }

  bool AddItem(const std::string& commandLine, const std::string& item) {
    if (current_.empty()) return false;
    if (!staged_.count(current_) && !StageGroup(current_)) return false;
    const std::vector<std::string> argv = SplitCommandLine(commandLine);
    if (argv.empty()) return false;
    const std::string text = "[Desktop Entry]\nType=Application\nName=" + DesktopString(item) +
                             "\nExec=" + DesktopExec(argv) +
                             "\nIcon=" + Name(current_).toStdString() + "\nTerminal=false\n";
    if (!WriteStaged(Name(item) + ".desktop", text)) return false;
    return Run("xdg-desktop-menu", {"install", "--noupdate", "--mode", "user",
                                    staging_.filePath(Name(current_) + ".directory"),
                                    staging_.filePath(Name(item) + ".desktop")});
  }

  bool DeleteItem(const std::string& item) {
    if (current_.empty() || !QFile::exists(ItemFile(item))) return false;
    return Run("xdg-desktop-menu", {"uninstall", "--noupdate", "--mode", "user",
                                    Name(current_) + ".directory", Name(item) + ".desktop"});
  }

  bool DeleteGroup(const std::string& group) {
    // The last item taken away takes the menu and the ".directory" file along; the icon stays
    // until the group goes.
    const QString icon = DataHome() + "/icons/hicolor/48x48/apps/" + Name(group) + ".png";
    if (!GroupExists(group) && !QFile::exists(icon)) return false;
    // Whatever items are left go with the group.
    QStringList items;
    QFile menu(MenuFile(group));
    if (menu.open(QIODevice::ReadOnly)) {
      static const QRegularExpression kFilename("<Filename>([^<]+)</Filename>");
      auto it = kFilename.globalMatch(QString::fromUtf8(menu.readAll()));
      while (it.hasNext()) items << it.next().captured(1);
      menu.close();
    }
    bool ok = true;
    if (!items.isEmpty())
      ok = Run("xdg-desktop-menu", QStringList{"uninstall", "--noupdate", "--mode", "user",
                                               Name(group) + ".directory"} +
                                       items);
    QFile::remove(MenuFile(group));
    QFile::remove(DirectoryFile(group));
    Run("xdg-icon-resource",
        {"uninstall", "--noupdate", "--mode", "user", "--size", "48", Name(group)});
    if (current_ == group) current_.clear();
    staged_.erase(group);
    return ok;
  }

  QString iconPng_;
  std::string vendor_;
  QTemporaryDir staging_;
  std::set<std::string> staged_;
  std::string current_;
};

}  // namespace

std::unique_ptr<IProgramGroups> MakeDesktopMenuGroups(const std::string& iconPng,
                                                      const std::string& vendor) {
  return std::make_unique<DesktopMenuGroups>(iconPng, vendor);
}

}  // namespace mg
