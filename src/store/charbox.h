// The special-character picker (CharBoxU): seven groups of the Korean double-byte code page
// in a 14-column grid, a large preview with its two code bytes, and insertion at the caret
// of the opener's edit box.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace talvesso {

class TfrmCharBox : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmCharBox(QWidget* parent = nullptr);
  // Shows the picker modally; a chosen character is inserted at the caret of `target`.
  void OpenFor(QLineEdit* target);

  enum TCategory { JG, DH, LC, JP, DW, GT, HJ };
  // Runs a category button (as if pressed).
  void SelectCategory(TCategory category);
  // The character list: one two-byte CP949 code per item, in grid order.
  const std::vector<std::string>& Codes() const { return Codes_; }
  QLineEdit* TargetEdit() const { return TargetEdit_; }
  void SetTargetEdit(QLineEdit* target) { TargetEdit_ = target; }

  // Inserts the preview into the target (the "넣 기" button and a double-click on a cell).
  void InsertPreview();

  static constexpr int kColumns = 14;

  QTableWidget* StringGrid1;
  QToolButton* btnJG;
  QToolButton* btnDH;
  QToolButton* btnLC;
  QToolButton* btnJP;
  QToolButton* btnDW;
  QToolButton* btnGT;
  QToolButton* btnHJ;
  QLabel* StaticText1;  // the preview
  QLabel* Label4;       // "코드값 : b1+b2"
  QPushButton* btnAddFolder;
  QPushButton* JvXPButton1;

 private:
  void AddCodeRange(unsigned char leadFirst, unsigned char leadLast, unsigned char trailFirst,
                    unsigned char trailLast);
  void ClearGrid();
  void FillGrid();
  void StringGrid1SelectCell(int row, int column);

  std::vector<std::string> Codes_;
  QLineEdit* TargetEdit_ = nullptr;
  QButtonGroup* Categories_ = nullptr;
};

}  // namespace talvesso
