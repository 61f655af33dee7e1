#include "settings/option_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace mg {
namespace {

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// The standard string-to-long rule (leading blanks, a sign, digits up to the first other
// character, none gives 0), held to 32 bits as the stored numbers are.
int32_t NumberOf(const std::string& value) {
  errno = 0;
  const long n = std::strtol(value.c_str(), nullptr, 10);
  if (n > INT32_MAX) return INT32_MAX;
  if (n < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(n);
}

// One piece of a line: an entry when it starts with a quote and its key of at least one
// character is closed by a second quote. Anything else is not an entry.
bool ParseEntry(std::string_view piece, OptionEntry* entry) {
  if (piece.empty() || piece[0] != '"') return false;
  const size_t close = piece.find('"', 1);
  if (close == std::string_view::npos || close == 1) return false;
  size_t start = close + 1;
  while (start < piece.size() && (piece[start] == ' ' || piece[start] == '\t')) ++start;
  size_t end = piece.size();
  while (end > start && (piece[end - 1] == '\r' || piece[end - 1] == '\n')) --end;
  entry->key.assign(piece.substr(1, close - 1));
  entry->value.assign(piece.substr(start, end - start));
  return true;
}

std::string ToLocal(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

}  // namespace

OptionEntry* OptionList::Find(std::string_view name) {
  for (OptionEntry& entry : entries_)
    if (SameKey(entry.key, name)) return &entry;
  return nullptr;
}

int OptionList::Read(const std::string& name, uint32_t* type, void* buffer, uint32_t* size) {
  const OptionEntry* entry = Find(name);
  if (!entry) return -1;
  const std::string& value = entry->value;
  const bool quoted = !value.empty() && value[0] == '"';
  if (quoted || *type == kRegSz) {
    // A text: the first and the last character go, whatever the last one is. An unquoted value
    // where a text is wanted is taken as written, not turned into a number and back.
    const size_t from = quoted ? 1 : 0;
    const size_t inner = quoted ? (value.size() >= 2 ? value.size() - 2 : 0) : value.size();
    const uint64_t need = uint64_t(inner) + 1;
    *type = kRegSz;
    if (need > UINT32_MAX) return kRegMoreData;
    const uint32_t offered = *size;
    *size = static_cast<uint32_t>(need);
    if (!buffer) return kRegOk;
    if (offered < need) return kRegMoreData;
    std::memcpy(buffer, value.data() + from, inner);
    static_cast<char*>(buffer)[inner] = '\0';
    return kRegOk;
  }
  *type = kRegDword;
  const uint32_t offered = *size;
  *size = 4;
  if (!buffer) return kRegOk;
  if (offered < 4) return kRegMoreData;
  const int32_t number = NumberOf(value);
  std::memcpy(buffer, &number, 4);
  return kRegOk;
}

int OptionList::Write(const std::string& name, uint32_t type, const void* data, uint32_t size) {
  std::string value;
  if (type == kRegSz) {
    const char* text = static_cast<const char*>(data);
    value = '"' + std::string(text, text ? strnlen(text, size) : 0) + '"';
  } else if (type == kRegDword && size >= 4) {
    int32_t number = 0;
    std::memcpy(&number, data, 4);
    value = std::to_string(number);
  } else {
    return -1;
  }
  if (OptionEntry* entry = Find(name)) {
    entry->value = std::move(value);
  } else {
    entries_.push_back({name, std::move(value)});
  }
  return 0;
}

void OptionList::Parse(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t lineFeed = text.find('\n', pos);
    const size_t lineEnd = lineFeed == std::string_view::npos ? text.size() : lineFeed + 1;
    const size_t pieceEnd = std::min(lineEnd, pos + kOptionPieceLength);
    OptionEntry entry;
    if (ParseEntry(text.substr(pos, pieceEnd - pos), &entry)) entries_.push_back(std::move(entry));
    // The rest of a line longer than one piece is dropped, whatever it starts with.
    pos = lineEnd;
  }
}

std::string OptionList::Serialize() const {
  std::string out;
  for (const OptionEntry& entry : entries_) {
    out += '"';
    out += entry.key;
    out += "\"  ";
    out += entry.value;
    out += "\r\n";
  }
  return out;
}

std::string OptionFilePath(const std::string& programPath) {
  const auto cut = programPath.find_last_of("/\\");
  if (cut == std::string::npos) return kOptionFileName;
  return programPath.substr(0, cut + 1) + kOptionFileName;
}

OptionLoad OptionFile::Load(const std::string& programPath) {
  list_.Clear();
  error_.clear();
  path_ = OptionFilePath(programPath);
  const QString path = QString::fromLocal8Bit(path_.c_str());
  QFile file(path);
  if (!QFileInfo::exists(path)) {
    error_ = path_ + ": no such file";
    return OptionLoad::Missing;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    error_ = path_ + ": " + ToLocal(file.errorString());
    return OptionLoad::Unreadable;
  }
  // Read one byte more than allowed, so that a file that grows while we read is caught too.
  const QByteArray bytes = file.read(kOptionFileMaxBytes + 1);
  if (bytes.size() > kOptionFileMaxBytes) {
    error_ = path_ + ": larger than " + std::to_string(kOptionFileMaxBytes / 1024) +
             " KiB, not an options file";
    return OptionLoad::Unreadable;
  }
  if (file.error() != QFileDevice::NoError) {
    error_ = path_ + ": " + ToLocal(file.errorString());
    return OptionLoad::Unreadable;
  }
  list_.Parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  return OptionLoad::Read;
}

bool OptionFile::Save(bool write) {
  bool ok = true;
  if (write) {
    error_.clear();
    const std::string text = list_.Serialize();
    QSaveFile file(QString::fromLocal8Bit(path_.c_str()));
    // A program directory where no temporary file can be made still lets the file be replaced.
    file.setDirectWriteFallback(true);
    ok = file.open(QIODevice::WriteOnly) &&
         file.write(text.data(), static_cast<qint64>(text.size())) ==
             static_cast<qint64>(text.size()) &&
         file.commit();
    if (!ok) error_ = path_ + ": " + ToLocal(file.errorString());
  }
  list_.Clear();
  return ok;
}

}  // namespace mg
