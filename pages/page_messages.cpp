#include "pages/page_messages.h"

#include <QLineEdit>

#include "pages/message_box.h"

namespace mg {
namespace {

bool Refuse(QWidget* page, QLineEdit* field, const QString& text) {
  ShowMessageBox(page, text, MsgButtons::Ok, MsgIcon::Exclamation);
  field->setFocus();
  field->selectAll();
  return false;
}

}  // namespace

bool ReadIntegerField(QWidget* page, QLineEdit* field, int low, int high, int* member) {
  bool ok = false;
  const int value = field->text().trimmed().toInt(&ok);
  if (!ok) return Refuse(page, field, QObject::tr("Please enter an integer."));
  *member = value;
  if (value < low || value > high)
    return Refuse(page, field,
                  QObject::tr("Please enter an integer between %1 and %2.").arg(low).arg(high));
  return true;
}

bool ParseIntegerText(const QString& text, int* value) {
  QString rest = text.left(31);
  auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
  qsizetype begin = 0;
  qsizetype end = rest.size();
  while (begin < end && blank(rest[begin])) ++begin;
  while (end > begin && blank(rest[end - 1])) --end;
  rest = rest.mid(begin, end - begin);
  qsizetype digits = 0;
  if (!rest.isEmpty() && (rest[0] == u'+' || rest[0] == u'-')) digits = 1;
  if (digits >= rest.size()) return false;
  for (qsizetype i = digits; i < rest.size(); ++i)
    if (rest[i] < u'0' || rest[i] > u'9') return false;
  bool ok = false;
  const int parsed = rest.toInt(&ok, 10);
  if (!ok) return false;  // beyond what an int holds
  if (parsed == 0 && rest[0] != u'0') return false;
  *value = parsed;
  return true;
}

bool ReadIntegerField(QWidget* page, QLineEdit* field, int* member) {
  int value = 0;
  if (!ParseIntegerText(field->text(), &value))
    return Refuse(page, field, QObject::tr("Please enter an integer."));
  *member = value;
  return true;
}

bool ReadNumberField(QWidget* page, QLineEdit* field, double* member) {
  bool ok = false;
  const double value = field->text().trimmed().toDouble(&ok);
  if (!ok) return Refuse(page, field, QObject::tr("Please enter a number."));
  *member = value;
  return true;
}

}  // namespace mg
