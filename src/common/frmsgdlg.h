// The notice popup: a frameless picture window with a title, two lines and an OK button that
// stays above other windows and closes by itself after a number of seconds.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QAbstractButton;
class QTimer;
class QSvgRenderer;

namespace talvesso {

class TfrmMsgDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 400;
  static constexpr int kHeight = 204;

  explicit TfrmMsgDialog(QWidget* parent = nullptr);

  // Shows the notice modally and returns when it has closed: by itself after `closeSeconds`,
  // by "확 인" (or Enter), or by the close mark of the title bar.
  void ShowNotice(const QString& title, const QString& line1, const QString& line2,
                  int closeSeconds);

  // "(3초 후에 자동으로 닫힙니다.)"
  static QString CountdownText(int seconds);

  QLabel* lblTitle = nullptr;
  QLabel* lblMsg1 = nullptr;
  QLabel* lblMsg2 = nullptr;
  QLabel* Label3 = nullptr;  // the countdown note
  QLabel* Image2 = nullptr;  // banner
  QLabel* Image3 = nullptr;  // message icon
  QPushButton* btnSearch = nullptr;
  QAbstractButton* Image5 = nullptr;  // the close spot over the drawn close mark
  QTimer* Timer1 = nullptr;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  QSvgRenderer* Background_ = nullptr;
};

}  // namespace talvesso
