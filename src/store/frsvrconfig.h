// The settings dialog and the command that edits the settings with it.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace talvesso {

struct TAppState;
class TPrompts;
class TfrmCharBox;

// Created once and reused, so its boxes keep their values between showings. It only reports
// its result (100 accepted, anything else cancelled); EditServerSettings stores the values.
class TfrmSvrConfig : public QDialog {
  Q_OBJECT
 public:
  TfrmSvrConfig(TPrompts& prompts, TfrmCharBox& charBox, QWidget* parent = nullptr);

  QLineEdit* edtSvrName;
  QPushButton* btnAddFolder;  // "특수문자": the picker for the server name
  QLineEdit* edtSvrPort;      // digits only, at most 5
  QCheckBox* chkAutoPort;
  QSpinBox* spnConnMax;  // 1..50, arrows only
  QCheckBox* chkAutoLogin;
  QCheckBox* chkAutoShare;
  QSpinBox* spnPopupClose;  // 2..5, arrows only
  QPushButton* btnOK;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void chkAutoPortClick(bool checked);
  void btnOKClick();
  void btnCancelClick();
  void btnAddFolderClick();

  TPrompts& Prompts_;
  TfrmCharBox& CharBox_;
};

// The toolbar command: fills the dialog from the settings record, shows it, stores the result.
// Returns true when the member accepted (and the settings were saved).
bool EditServerSettings(TfrmSvrConfig& dialog, TAppState& state);

}  // namespace talvesso
