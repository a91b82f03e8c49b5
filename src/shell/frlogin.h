// The login dialog: ID, password and the two "save" boxes. Created once and reused; the boxes
// keep whatever the member last chose while the program runs.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace talvesso {

class TPrompts;

// The dialog's results: which of the two boxes were ticked.
inline constexpr int kLoginNoSave = 100;
inline constexpr int kLoginSaveId = 101;
inline constexpr int kLoginSavePass = 102;
inline constexpr int kLoginSaveBoth = 103;

int LoginChoiceCode(bool saveId, bool savePass);

class TfrmLogin : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmLogin(TPrompts& prompts, QWidget* parent = nullptr);

  // Fills the boxes, shows the dialog modally; the choice code, or 0 when it was closed
  // without pressing "로그인".
  int Ask(const QString& id, const QString& password);

  QLineEdit* edtID = nullptr;
  QLineEdit* edtPass = nullptr;
  QPushButton* btnLogin = nullptr;
  QCheckBox* chkSaveID = nullptr;
  QCheckBox* chkSavePass = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void btnLoginClick();
  void chkSavePassClick(bool checked);
  TPrompts& Prompts_;
};

}  // namespace talvesso
