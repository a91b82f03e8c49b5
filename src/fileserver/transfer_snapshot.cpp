#include "fileserver/transfer_snapshot.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

namespace talvesso {

namespace {
constexpr int kSettleMs = 500;
}  // namespace

TTransferSnapshot::TTransferSnapshot(QWidget& window, QAbstractItemModel& model, QString pngPath,
                                     QObject* parent)
    : QObject(parent),
      Window_(window),
      Model_(model),
      PngPath_(std::move(pngPath)),
      Debounce_(new QTimer(this)) {
  Debounce_->setSingleShot(true);
  Debounce_->setInterval(kSettleMs);
  connect(Debounce_, &QTimer::timeout, this, &TTransferSnapshot::Save);
  auto later = [this] { Debounce_->start(); };
  connect(&model, &QAbstractItemModel::rowsInserted, this, later);
  connect(&model, &QAbstractItemModel::rowsRemoved, this, later);
  connect(&model, &QAbstractItemModel::modelReset, this, later);
  connect(&model, &QAbstractItemModel::dataChanged, this, later);
}

void TTransferSnapshot::Save() {
  // The texts first (the picture follows them), each written whole or not at all.
  QSaveFile texts(PngPath_ + QStringLiteral(".tsv"));
  if (texts.open(QIODevice::WriteOnly)) {
    QStringList cells;
    for (int column = 0; column < Model_.columnCount(); ++column)
      cells << Model_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    texts.write(cells.join(QLatin1Char('\t')).toUtf8() + '\n');
    for (int row = 0; row < Model_.rowCount(); ++row) {
      cells.clear();
      for (int column = 0; column < Model_.columnCount(); ++column)
        cells << Model_.data(Model_.index(row, column), Qt::DisplayRole).toString();
      texts.write(cells.join(QLatin1Char('\t')).toUtf8() + '\n');
    }
    texts.commit();
  }
  QSaveFile picture(PngPath_);
  if (picture.open(QIODevice::WriteOnly) && Window_.grab().save(&picture, "PNG")) {
    picture.commit();
  }
}

}  // namespace talvesso
