#include "app/escape_filter.h"

#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWidget>

namespace mg {

bool EscapeFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
  if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  QWidget* window = widget->window();
  if (!qobject_cast<QDialog*>(window)) return false;
  if (qobject_cast<QMessageBox*>(window) || qobject_cast<QFileDialog*>(window)) return false;
  return event->type() == QEvent::KeyPress;  // handled: it goes nowhere
}

}  // namespace mg
