// The settings dialog and the command that edits the settings with it.
#pragma once

#include <QDialog>

namespace talvesso {

struct TAppState;
class TPrompts;
class TfrmCharBox;

class TfrmSvrConfig : public QDialog {
  Q_OBJECT
 public:
  TfrmSvrConfig(TPrompts& prompts, TfrmCharBox& charBox, QWidget* parent = nullptr);
  // ... controls (edtSvrName, edtSvrPort, chkAutoPort, spnConnMax, chkAutoLogin, chkAutoShare,
  // spnPopupClose, btnOK, btnCancel) and handlers: see the .cpp
};

// The toolbar command: fills the dialog from the settings record, shows it, stores the result.
// Returns true when the member accepted (and the settings were saved).
bool EditServerSettings(TfrmSvrConfig& dialog, TAppState& state);

}  // namespace talvesso
