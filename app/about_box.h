// The about box: the program's name and version, OK, and More... for the help page.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AboutBoxForm;
}

namespace mg {

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent);
  ~CAboutDlg() override;

 private:
  std::unique_ptr<Ui::AboutBoxForm> ui_;
};

}  // namespace mg
