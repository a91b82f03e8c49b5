// The special-character picker.
#pragma once

#include <QDialog>

class QLineEdit;

namespace talvesso {

class TfrmCharBox : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmCharBox(QWidget* parent = nullptr);
  // Shows the picker modally; a chosen character is inserted at the caret of `target`.
  void OpenFor(QLineEdit* target);
};

}  // namespace talvesso
