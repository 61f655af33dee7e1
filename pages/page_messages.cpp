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

bool ReadNumberField(QWidget* page, QLineEdit* field, double* member) {
  bool ok = false;
  const double value = field->text().trimmed().toDouble(&ok);
  if (!ok) return Refuse(page, field, QObject::tr("Please enter a number."));
  *member = value;
  return true;
}

}  // namespace mg
