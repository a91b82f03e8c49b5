// A development and test aid: with TALVESSO_TRANSFER_SNAPSHOT=<file.png> set, the program
// saves a picture of its main window and the transfer list's cell texts (<file.png>.tsv, one
// line per row, cells separated by tabs, the header first) shortly after the list changed.
// The end-to-end test reads them; the program works the same without it.
#pragma once

#include <QObject>
#include <QString>

class QAbstractItemModel;
class QTimer;
class QWidget;

namespace talvesso {

inline constexpr const char* kTransferSnapshotEnv = "TALVESSO_TRANSFER_SNAPSHOT";

class TTransferSnapshot : public QObject {
  Q_OBJECT
 public:
  TTransferSnapshot(QWidget& window, QAbstractItemModel& model, QString pngPath,
                    QObject* parent = nullptr);
  // Writes the picture and the texts now.
  void Save();

 private:
  QWidget& Window_;
  QAbstractItemModel& Model_;
  QString PngPath_;
  QTimer* Debounce_;
};

}  // namespace talvesso
