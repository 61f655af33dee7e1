#include "pages/avi_file_page.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>

#include "codecs/compressor_registry.h"
#include "pages/message_box.h"
#include "pages/page_messages.h"
#include "platform/windows_records.h"
#include "settings/movie_name_rule.h"
#include "settings/values_in_use.h"
#include "ui_avi_file_page.h"

namespace mg {
namespace {

CMyPropertyPage3::SaveFileHook& SaveHook() {
  static CMyPropertyPage3::SaveFileHook hook;
  return hook;
}

}  // namespace

void CMyPropertyPage3::SetSaveFileHook(SaveFileHook hook) {
  SaveHook() = std::move(hook);
}

CMyPropertyPage3::CMyPropertyPage3(AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings), ui_(std::make_unique<Ui::AviFilePage>()) {
  ui_->setupUi(this);
  for (QLineEdit* field : {ui_->fileName, ui_->rate, ui_->keyFrames, ui_->quality})
    field->installEventFilter(this);
  connect(ui_->sequentialNumber, &QCheckBox::clicked, this, [this] {
    ExchangeFromControls();
    settings_.IncFilename = sequentialNumber_ ? 1 : 0;
  });
  connect(ui_->recordSound, &QCheckBox::clicked, this, [this] {
    ExchangeFromControls();
    settings_.RecSound = recordSound_ ? 1 : 0;
  });
  connect(ui_->browse, &QPushButton::clicked, this, &CMyPropertyPage3::Browse);
  connect(ui_->compressor, &QComboBox::activated, this, [this](int index) {
    settings_.CompressorHandler = ui_->compressor->itemData(index).toUInt();
  });
  Fill();
}

CMyPropertyPage3::~CMyPropertyPage3() = default;

bool CMyPropertyPage3::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) FieldLeft(watched);
  return QWidget::eventFilter(watched, event);
}

// Each field copies its own member into the setting whatever the exchange gave: a value that
// failed only its range check is kept, one that did not parse leaves the setting as it was. A
// field that still shows what the recording makes of the stored value (500 % shown as 100)
// leaves the stored value alone.
void CMyPropertyPage3::FieldLeft(QObject* field) {
  if (exchanging_) return;
  ExchangeFromControls();
  if (field == ui_->fileName) {
    const std::string name = fileName_.toStdString();
    if (const char* refused = RefusedMovieName(name)) {
      // The name stays in the field to be mended; the setting keeps the last good one.
      ShowMessageBox(this, QString::fromUtf8(refused), MsgButtons::Ok, MsgIcon::Exclamation);
      ui_->fileName->setFocus();
    } else {
      settings_.AVIFileName = name;
    }
  }
  if (field == ui_->rate) settings_.FPS = rate_;
  if (field == ui_->keyFrames && keyFrames_ != KeyFramesInUse(settings_.KeyFrames))
    settings_.KeyFrames = keyFrames_;
  if (field == ui_->quality && quality_ != QualityInUse(settings_.Compress))
    settings_.Compress = quality_;
}

bool CMyPropertyPage3::ExchangeFromControls() {
  exchanging_ = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{exchanging_};

  fileName_ = ui_->fileName->text();
  sequentialNumber_ = ui_->sequentialNumber->isChecked();
  recordSound_ = ui_->recordSound->isChecked();
  if (!ReadIntegerField(this, ui_->keyFrames, 0, 100, &keyFrames_)) return false;
  if (!ReadIntegerField(this, ui_->quality, 10, 100, &quality_)) return false;
  if (!ReadNumberField(this, ui_->rate, &rate_)) return false;
  return true;
}

void CMyPropertyPage3::ExchangeToControls() {
  ui_->fileName->setText(fileName_);
  ui_->sequentialNumber->setChecked(sequentialNumber_);
  ui_->recordSound->setChecked(recordSound_);
  ui_->keyFrames->setText(QString::number(keyFrames_));
  ui_->quality->setText(QString::number(quality_));
  ui_->rate->setText(QString::number(rate_, 'g', 15));
}

void CMyPropertyPage3::Fill() {
  fileName_ = QString::fromStdString(settings_.AVIFileName);
  rate_ = settings_.FPS;
  sequentialNumber_ = settings_.IncFilename != 0;
  recordSound_ = settings_.RecSound != 0;
  // What the recording uses: a stored value it clamps is shown clamped.
  keyFrames_ = KeyFramesInUse(settings_.KeyFrames);
  quality_ = QualityInUse(settings_.Compress);
  FillCompressorList();
  ExchangeToControls();
}

void CMyPropertyPage3::FillCompressorList() {
  QComboBox* list = ui_->compressor;
  list->clear();
  list->addItem(tr("Auto Select - Strongly Recommended!"), 0u);
  const uint32_t uncompressed = MakeFourcc("DIB ");
  for (const CompressorInfo& c : InstalledCompressors()) {
    // Uncompressed frames have their own entry at the end; a handler is listed once.
    if (c.fccHandler == uncompressed || list->findData(c.fccHandler) >= 0) continue;
    list->addItem(QString::fromStdString(c.description), c.fccHandler);
  }
  list->addItem(tr("Full Frames (Uncompressed)"), uncompressed);
  list->setCurrentIndex(0);
}

void CMyPropertyPage3::ShowFileName(const QString& name) {
  fileName_ = name;
  ExchangeToControls();
}

QString CMyPropertyPage3::ShownFileName() const {
  return ui_->fileName->text();
}

void CMyPropertyPage3::Browse() {
  QString chosen;
  if (SaveHook()) {
    chosen = SaveHook()();
  } else {
    chosen = QFileDialog::getSaveFileName(this, QString(), QString(),
                                          tr("AVI Files (*.avi);;All Files (*)"));
  }
  if (chosen.isEmpty()) return;  // cancelled: nothing changes
  // The setting takes the name when the field next loses the focus, like a typed name.
  fileName_ = chosen;
  ExchangeToControls();
}

}  // namespace mg
