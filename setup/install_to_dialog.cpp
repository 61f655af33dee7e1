#include "setup/install_to_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryFile>

#include "pages/message_box.h"
#include "ui_install_to_dialog.h"

namespace mg {
namespace {

const QString kCaption = QStringLiteral("Install Movigram");

QString Filled(const char* text, const QString& directory) {
  return QString::fromLatin1(text).replace(QLatin1String("%s"), directory);
}

}  // namespace

CInstallToDialog::CInstallToDialog(const QString& proposed, const QString& homeDir, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::InstallToDialog>()), homeDir_(homeDir) {
  ui_->setupUi(this);
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDot | QDir::Hidden);
  model_->setReadOnly(true);
  ui_->directories->setModel(model_);
  connect(ui_->directories, &QListView::activated, this,
          [this](const QModelIndex& index) { Browse(QDir::cleanPath(model_->filePath(index))); });
  connect(ui_->okButton, &QPushButton::clicked, this, &CInstallToDialog::Ok);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  // The list shows the proposal when it exists, else the nearest folder above it that does.
  QString browsed = Resolve(proposed);
  while (!browsed.isEmpty() && !QFileInfo(browsed).isDir()) {
    const QString up = QFileInfo(browsed).absolutePath();
    if (up == browsed) break;
    browsed = up;
  }
  Browse(browsed);
  ui_->installTo->setText(proposed);
  ui_->installTo->setFocus();

  // Centred on the screen, placed before it is shown so that the window manager keeps it there.
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
  }
}

CInstallToDialog::~CInstallToDialog() = default;

QLineEdit* CInstallToDialog::InstallToField() const {
  return ui_->installTo;
}
QListView* CInstallToDialog::DirectoryList() const {
  return ui_->directories;
}
QPushButton* CInstallToDialog::OkButton() const {
  return ui_->okButton;
}
QPushButton* CInstallToDialog::CancelButton() const {
  return ui_->cancelButton;
}

void CInstallToDialog::Browse(const QString& directory) {
  ui_->directories->setRootIndex(model_->setRootPath(directory));
  ui_->installTo->setText(directory);
}

QString CInstallToDialog::Resolve(const QString& text) const {
  QString path = text.trimmed();
  if (path.isEmpty()) return {};
  if (path == QLatin1String("~")) {
    path = homeDir_;
  } else if (path.startsWith(QLatin1String("~/"))) {
    path = homeDir_ + path.mid(1);
  } else if (QDir::isRelativePath(path)) {
    path = homeDir_ + '/' + path;
  }
  return QDir::cleanPath(path);
}

void CInstallToDialog::Ok() {
  const QString destination = Resolve(ui_->installTo->text());
  // A destination that cannot be entered counts as missing.
  const QFileInfo info(destination);
  if (destination.isEmpty() || !info.isDir() || !info.isExecutable()) {
    const QString ask =
        Filled("Directory \"%s\" does not exist. Do you want to create it?", destination);
    if (ShowMessageBox(this, ask, MsgButtons::YesNo, MsgIcon::Question, kCaption) != MsgAnswer::Yes)
      return;
    if (destination.isEmpty() || !QDir().mkdir(destination)) {
      ShowMessageBox(this,
                     Filled("Directory \"%s\" could not be created. Please specify a different "
                            "name.",
                            destination),
                     MsgButtons::Ok, MsgIcon::Error, kCaption);
      return;
    }
  }
  // Writable when a new file can really be made there.
  QTemporaryFile probe(destination + "/MVGXXXXXX");
  if (!probe.open()) {
    ShowMessageBox(
        this,
        Filled("Directory \"%s\" is read-only. Please specify a different name.", destination),
        MsgButtons::Ok, MsgIcon::Error, kCaption);
    return;
  }
  probe.close();
  probe.remove();
  destination_ = destination;
  accept();
}

bool ChooseDestination(const QString& proposed, const QString& homeDir, QString* destination) {
  CInstallToDialog dialog(proposed, homeDir);
  if (dialog.exec() != QDialog::Accepted) return false;
  *destination = dialog.Destination();
  return true;
}

}  // namespace mg
