#include "diagnostics/frdown.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMetaObject>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QSvgRenderer>

#include "common/event_loop_wait.h"
#include "diagnostics/apploadercb2.h"
#include "diagnostics/installer_download.h"
#include "diagnostics/installer_launch.h"
#include "shell/app_state.h"

static void InitDiagnosticsQrc() { Q_INIT_RESOURCE(diagnostics); }

namespace talvesso {

namespace {

QPixmap DownloadPicture(const QSize& size) {
  static const bool registered = (InitDiagnosticsQrc(), true);
  (void)registered;
  QPixmap picture(size);
  picture.fill(Qt::transparent);
  QSvgRenderer renderer(QStringLiteral(":/diagnostics/download.svg"));
  QPainter painter(&picture);
  renderer.render(&painter);
  return picture;
}

}  // namespace

TfrmDown::TfrmDown(QWidget* parent) : QDialog(parent) {
  setObjectName("frmDown");
  setWindowTitle(QString::fromUtf8("다운로드"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
  setFixedSize(448, 126);
  QFont windowFont = font();
  windowFont.setFamilies({"Tahoma", "NanumGothic"});
  windowFont.setPixelSize(12);
  setFont(windowFont);

  auto* panel2 = new QFrame(this);
  panel2->setObjectName("Panel2");
  panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel2->setGeometry(5, 5, 118, 116);
  Image2 = new QLabel(panel2);
  Image2->setObjectName("Image2");
  Image2->setGeometry(3, 3, 112, 110);
  Image2->setPixmap(DownloadPicture(QSize(112, 110)));

  GroupBox1 = new QGroupBox(QString::fromUtf8(" 다운로드(Download) "), this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(131, 21, 313, 83);
  Progress = new QProgressBar(GroupBox1);
  Progress->setObjectName("Progress");
  Progress->setGeometry(13, 34, 286, 16);
  Progress->setTextVisible(false);
  Progress->setRange(0, 100);
  Progress->setValue(0);
  Progress->setStyleSheet(
      "QProgressBar { background: #DDDDDD; border: 1px solid #a0a0a0; }"
      "QProgressBar::chunk { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
      " stop:0 #6fa6e6, stop:1 #2f6dbf); }");
  auto* label1 = new QLabel(QString::fromUtf8("진행상태:"), GroupBox1);
  label1->setObjectName("Label1");
  label1->move(13, 57);
  lblDownStatus = new QLabel(GroupBox1);
  lblDownStatus->setObjectName("lblDownStatus");
  lblDownStatus->setGeometry(72, 57, 230, 16);
}

void TfrmDown::ShowProgress(const TDownloadProgressView& view) {
  // No announced size: a busy bar instead of an undefined fraction.
  Progress->setRange(0, view.BarMaximum);
  if (view.BarMaximum > 0) Progress->setValue(view.BarPosition);
  Progress->repaint();
  lblDownStatus->setText(QString::fromStdString(view.Line));
  lblDownStatus->repaint();
}

bool RunSelfUpdate(QWidget* parent, const TAppState& state, int newBuild) {
  TDownloadResult result;
  {
    TfrmDown window(parent);
    window.show();
    window.repaint();
    if (parent) parent->hide();

    // Reports arrive on the downloading thread; the window is painted on the UI thread.
    QPointer<TfrmDown> target(&window);
    TBindStatusCallback callback([target](const TDownloadProgressView& view) {
      QMetaObject::invokeMethod(
          target.data(),
          [target, view] {
            if (target) target->ShowProgress(view);
          },
          Qt::QueuedConnection);
    });
    result = AwaitInEventLoop([&] {
      return DownloadInstaller(
          state.BaseUrl, state.ProgramFolder, newBuild,
          [&callback](int64_t progress, int64_t total) { callback.OnProgress(progress, total); });
    });
    window.close();
  }
  if (parent) parent->show();
  if (!result.Ok) return false;  // no message: the start-up goes on
  return StartInstaller(InstallerPath(state.ProgramFolder));
}

}  // namespace talvesso
