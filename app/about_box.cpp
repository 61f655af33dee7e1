#include "app/about_box.h"

#include "app/help.h"
#include "ui_about_box.h"

namespace mg {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::AboutBoxForm>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->moreButton, &QPushButton::clicked, this, [this] { OpenHelp(this); });
  setFixedSize(sizeHint());
}

CAboutDlg::~CAboutDlg() = default;

}  // namespace mg
