// The shared-folder dialog (frsetupfolder): folder, share name and the three switches, with
// the warnings the member agrees to by accepting.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace talvesso {

class TPrompts;
class TfrmCharBox;

class TfrmSetupFolder : public QDialog {
  Q_OBJECT
 public:
  TfrmSetupFolder(TPrompts& prompts, TfrmCharBox& charBox, QWidget* parent = nullptr);

  // The folder chooser; returns the chosen folder or an empty text when cancelled. Defaults to
  // the system's folder dialog; tests hand in their own.
  std::function<QString(QWidget* parent)> ChooseFolder;

  QLineEdit* edtFolderPath;  // read-only; filled by the folder chooser
  QPushButton* btnSelectFlder;
  QLineEdit* edtFolderName;
  QPushButton* JvXPButton3;  // "특수문자"
  QCheckBox* chkAdult;
  QCheckBox* chkNotUse;
  QCheckBox* chkNotSearch;
  QPushButton* JvXPButton1;  // accept
  QPushButton* JvXPButton2;  // cancel

  void btnSelectFlderClick();
  void JvXPButton1Click();

 private:
  TPrompts& Prompts_;
  TfrmCharBox& CharBox_;
};

}  // namespace talvesso
