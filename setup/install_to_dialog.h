// The "Install Movigram" directory chooser: the destination typed or browsed to, checked when OK
// is pressed: a missing directory is created after asking (one level only), and the directory
// must take a new file.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QFileSystemModel;
class QLineEdit;
class QListView;
class QPushButton;

namespace Ui {
class InstallToDialog;
}

namespace mg {

class CInstallToDialog : public QDialog {
  Q_OBJECT
 public:
  // `proposed` is shown in the field; the list browses it, or its nearest existing parent.
  explicit CInstallToDialog(const QString& proposed, const QString& homeDir,
                            QWidget* parent = nullptr);
  ~CInstallToDialog() override;

  // The accepted destination (absolute, without a trailing slash).
  const QString& Destination() const { return destination_; }

  QLineEdit* InstallToField() const;
  QListView* DirectoryList() const;
  QPushButton* OkButton() const;
  QPushButton* CancelButton() const;

 private:
  void Browse(const QString& directory);
  void Ok();
  // The field's text as a path: "~" is the home folder, a relative path starts there.
  QString Resolve(const QString& text) const;

  std::unique_ptr<Ui::InstallToDialog> ui_;
  QFileSystemModel* model_ = nullptr;
  QString homeDir_;
  QString destination_;
};

// Runs the dialog; true with the destination in `*destination` when the user accepted one.
bool ChooseDestination(const QString& proposed, const QString& homeDir, QString* destination);

}  // namespace mg
