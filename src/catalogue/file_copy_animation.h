// A small painted animation of pages flying from one folder into another, shown while a
// folder update runs.
#pragma once

#include <QTimer>
#include <QWidget>

namespace talvesso {

class TFileCopyAnimation : public QWidget {
  Q_OBJECT
 public:
  explicit TFileCopyAnimation(QWidget* parent = nullptr);
  void Start();  // from the first frame
  void Stop();
  bool Playing() const { return Timer_.isActive(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer Timer_;
  int Frame_ = 0;
};

}  // namespace talvesso
