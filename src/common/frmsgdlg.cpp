#include "common/frmsgdlg.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

#include "common/artwork.h"

namespace talvesso {

namespace {

// An invisible clickable area; the background picture draws what it stands for.
class TClickSpot : public QAbstractButton {
 public:
  using QAbstractButton::QAbstractButton;

 protected:
  void paintEvent(QPaintEvent*) override {}
};

QPixmap RenderSvg(const QString& resource, QSize size, qreal ratio) {
  QPixmap pixmap(size * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(resource);
  QPainter painter(&pixmap);
  renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return pixmap;
}

QFont PixelFont(const QFont& base, int pixels, bool bold = false) {
  QFont font(base);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

TfrmMsgDialog::TfrmMsgDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmMsgDialog"));
  InitArtwork();
  setModal(true);
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_TranslucentBackground, false);
  Background_ = new QSvgRenderer(QStringLiteral(":/talvesso/popup_background.svg"), this);

  const QFont base = font();
  const qreal ratio = devicePixelRatioF();

  Image2 = new QLabel(this);
  Image2->setGeometry(186, 46, 200, 44);
  Image2->setPixmap(RenderSvg(QStringLiteral(":/talvesso/banner.svg"), {200, 44}, ratio));

  Image3 = new QLabel(this);
  Image3->setGeometry(42, 94, 42, 40);
  Image3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image3->setPixmap(RenderSvg(QStringLiteral(":/talvesso/message.svg"), {34, 34}, ratio));

  lblTitle = new QLabel(this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  lblTitle->setGeometry(15, 14, 300, 16);
  lblTitle->setFont(PixelFont(base, 12, true));
  lblTitle->setStyleSheet(QStringLiteral("color: white; background: transparent;"));

  lblMsg1 = new QLabel(this);
  lblMsg1->setObjectName(QStringLiteral("lblMsg1"));
  lblMsg1->setGeometry(90, 98, 300, 18);
  lblMsg1->setFont(PixelFont(base, 12, true));
  lblMsg1->setStyleSheet(QStringLiteral("color: #1d2a3a; background: transparent;"));

  lblMsg2 = new QLabel(this);
  lblMsg2->setObjectName(QStringLiteral("lblMsg2"));
  lblMsg2->setGeometry(90, 122, 300, 18);
  lblMsg2->setFont(PixelFont(base, 12));
  lblMsg2->setStyleSheet(QStringLiteral("color: #1d2a3a; background: transparent;"));

  Label3 = new QLabel(this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(8, 187, 300, 15);
  Label3->setFont(PixelFont(base, 12));
  Label3->setStyleSheet(QStringLiteral("color: #8a8f96; background: transparent;"));

  btnSearch = new QPushButton(QStringLiteral("확 인"), this);
  btnSearch->setObjectName(QStringLiteral("btnSearch"));
  btnSearch->setGeometry(321, 149, 65, 26);
  btnSearch->setDefault(true);
  connect(btnSearch, &QPushButton::clicked, this, &QDialog::accept);

  Image5 = new TClickSpot(this);
  Image5->setObjectName(QStringLiteral("Image5"));
  Image5->setGeometry(377, 12, 16, 15);
  Image5->setCursor(Qt::PointingHandCursor);
  Image5->setFocusPolicy(Qt::NoFocus);
  connect(Image5, &QAbstractButton::clicked, this, &QDialog::reject);

  Timer1 = new QTimer(this);
  Timer1->setSingleShot(true);
  connect(Timer1, &QTimer::timeout, this, &QDialog::accept);
}

QString TfrmMsgDialog::CountdownText(int seconds) {
  return QStringLiteral("(") + QString::number(seconds) +
         QStringLiteral("초 후에 자동으로 닫힙니다.)");
}

void TfrmMsgDialog::ShowNotice(const QString& title, const QString& line1, const QString& line2,
                               int closeSeconds) {
  lblTitle->setText(title);
  lblMsg1->setText(line1);
  lblMsg2->setText(line2);
  Timer1->start(closeSeconds * 1000);
  Label3->setText(CountdownText(closeSeconds));
  btnSearch->setFocus();
  exec();
}

void TfrmMsgDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  Background_->render(&painter, QRectF(0, 0, kWidth, kHeight));
}

void TfrmMsgDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  raise();
  activateWindow();
}

void TfrmMsgDialog::done(int result) {
  Timer1->stop();  // every way of closing ends the countdown
  QDialog::done(result);
}

}  // namespace talvesso
