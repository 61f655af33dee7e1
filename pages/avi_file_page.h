// The "AVI File" tab: the movie's file name, numbering, sound, frame rate, key-frame interval,
// quality and compressor. Every control writes into AppSettings the moment it is used (an edit
// field when it loses the focus); there is no Apply step.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "settings/app_settings.h"

namespace Ui {
class AviFilePage;
}

namespace mg {

class CMyPropertyPage3 : public QWidget {
  Q_OBJECT
 public:
  explicit CMyPropertyPage3(AppSettings& settings, QWidget* parent = nullptr);
  ~CMyPropertyPage3() override;

  // Copies the settings into the page and rebuilds the compressor list, "Auto Select" chosen.
  // A quality or key-frame interval that a recording clamps is shown as it will be used.
  void Fill();
  // A start numbered the file name: the field shows the new one; the other fields and the
  // compressor chosen stay as they are.
  void ShowFileName(const QString& name);
  QString ShownFileName() const;

  // The save-file dialog of Browse; tests answer it instead of a modal dialog appearing. The
  // hook returns the chosen path, or an empty text for a cancel.
  using SaveFileHook = std::function<QString()>;
  static void SetSaveFileHook(SaveFileHook hook);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Controls -> members, in the order of the fields; stops at the first field that fails,
  // tells the user why and puts the focus there. False when a field failed.
  bool ExchangeFromControls();
  void ExchangeToControls();
  void FillCompressorList();
  void Browse();
  void FieldLeft(QObject* field);

  AppSettings& settings_;
  std::unique_ptr<Ui::AviFilePage> ui_;
  // The page's own copy of the values, for the exchange with its controls.
  QString fileName_;
  bool sequentialNumber_ = false;
  bool recordSound_ = false;
  int keyFrames_ = 0;
  int quality_ = 0;
  double rate_ = 0;
  bool exchanging_ = false;  // a message box during an exchange takes the focus: no re-entry
};

}  // namespace mg
