#include "catalogue/frupdatefolder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <climits>
#include <string>

#include "catalogue/elapsed_text.h"
#include "catalogue/file_copy_animation.h"
#include "catalogue/folder_update.h"
#include "catalogue/update_observer.h"
#include "catalogue/update_texts.h"
#include "common/prompts.h"
#include "common/text_format.h"
#include "common/tick.h"
#include "shell/app_state.h"
#include "webclient/service_api.h"

namespace talvesso {

namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* PlacedLabel(const char* text, int x, int y, const QColor& colour, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->move(x, y);
  label->setMinimumWidth(0);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

const QColor kDarkGrey(69, 69, 69);
const QColor kGreen(0, 128, 0);
constexpr int kProgressHiddenTop = 382;  // below the visible area
constexpr const char* kQuestionCaption = "확 인";

}  // namespace

// ---------------------------------------------------------------- the window

TfrmUpdateFolder::TfrmUpdateFolder(QWidget* parent) : QDialog(parent) {
  setObjectName("frmUpdateFolder");
  setWindowTitle(FromView(kUpdateWindowCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setModal(false);
  setFixedSize(302, 155);
  QFont windowFont = font();
  windowFont.setFamilies({"GulimChe", "NanumGothicCoding", "NanumGothic"});
  windowFont.setPointSize(9);
  setFont(windowFont);

  Animate1 = new TFileCopyAnimation(this);
  Animate1->setGeometry(16, 0, 272, 60);

  lblName2 = PlacedLabel("폴더를 앍고 있습니다. (파일정보 추출)", 16, 66, kDarkGrey, this);
  lblName2->setFixedWidth(278);
  lblName = PlacedLabel("이  름", 16, 83, kGreen, this);
  lblName->setFixedWidth(278);

  auto* line = new QFrame(this);
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  line->setGeometry(8, 101, 290, 2);

  PlacedLabel("파 일 수:", 16, 110, palette().color(QPalette::WindowText), this);
  lblFileCnt = PlacedLabel("0", 76, 110, kGreen, this);
  PlacedLabel("폴 더 수:", 140, 110, palette().color(QPalette::WindowText), this);
  lblFolderCnt = PlacedLabel("0", 200, 110, kGreen, this);
  PlacedLabel("전체용량:", 16, 128, palette().color(QPalette::WindowText), this);
  lblTotalSize = PlacedLabel("0", 76, 128, kGreen, this);
  PlacedLabel("경과시간:", 140, 128, palette().color(QPalette::WindowText), this);
  lblTime = PlacedLabel("0", 200, 128, kGreen, this);
  for (QLabel* value : {lblFileCnt, lblFolderCnt, lblTotalSize, lblTime}) value->setFixedWidth(60);
  lblFolderCnt->setFixedWidth(44);
  lblTime->setFixedWidth(44);

  btnAddFolder = new QPushButton(FromView(kUpdateStopButton), this);
  btnAddFolder->setObjectName("btnAddFolder");
  btnAddFolder->setGeometry(248, 110, 46, 26);
  btnAddFolder->setAutoDefault(false);

  Progress = new QProgressBar(this);
  Progress->setObjectName("Progress");
  Progress->setTextVisible(false);
  Progress->setGeometry(16, 162, 278, 13);

  connect(btnAddFolder, &QPushButton::clicked, this, &TfrmUpdateFolder::stopRequested);
}

void TfrmUpdateFolder::showEvent(QShowEvent* event) {
  Animate1->Start();
  if (!Initialised) {
    Progress->move(16, kProgressHiddenTop);
    const TUpdatePhaseTexts shown = UpdatePhaseTexts(TUpdatePhase::Shown);
    lblName->setText(FromView(shown.Name));
    lblName2->setText(FromView(shown.Status));
    for (QLabel* value : {lblFileCnt, lblFolderCnt, lblTotalSize, lblTime}) value->clear();
    Initialised = true;
  }
  QDialog::showEvent(event);
}

void TfrmUpdateFolder::hideEvent(QHideEvent* event) {
  Animate1->Stop();
  QDialog::hideEvent(event);
}

void TfrmUpdateFolder::ShowPhase(TUpdatePhase phase) {
  const TUpdatePhaseTexts texts = UpdatePhaseTexts(phase);
  if (!texts.KeepsStatus()) lblName2->setText(FromView(texts.Status));
  if (!texts.KeepsName()) lblName->setText(FromView(texts.Name));
  if (phase == TUpdatePhase::UploadBegins) {
    Progress->move(16, 82);
    Progress->setRange(0, 0x7FFFFFFF);  // until the first report brings the file size
    Progress->setValue(0);
  }
}

void TfrmUpdateFolder::ShowScanProgress(const TScanProgress& progress) {
  if (!progress.FolderName.empty()) lblName->setText(QString::fromStdString(progress.FolderName));
  lblFolderCnt->setText(QString::number(progress.Counters.FolderCount));
  lblFileCnt->setText(QString::number(progress.Counters.FileCount));
  lblTotalSize->setText(QString::fromStdString(FormatByteSize(progress.Counters.TotalSize)));
  lblTime->setText(QString::fromStdString(FormatElapsedTime(progress.ElapsedMs)));
}

void TfrmUpdateFolder::ShowUploadProgress(int64_t bytesMoved, int64_t fileSize) {
  // The bar counts in steps that fit an int; the request's framing runs past the file size.
  UploadScale_ = 1;
  while (fileSize / UploadScale_ > INT_MAX) UploadScale_ *= 2;
  const int maximum = static_cast<int>(fileSize / UploadScale_);
  const int64_t position = bytesMoved / UploadScale_;
  Progress->setRange(0, maximum);
  Progress->setValue(static_cast<int>(position > maximum ? maximum : position));
}

// ---------------------------------------------------------------- the command

// Hands every report of the worker to the window on the UI thread.
class TFolderUpdateCommand::TWindowObserver : public TFolderUpdateObserver {
 public:
  explicit TWindowObserver(TfrmUpdateFolder& window) : Window_(&window) {}
  void OnPhase(TUpdatePhase phase) override {
    Post([phase](TfrmUpdateFolder& w) { w.ShowPhase(phase); });
  }
  void OnScanProgress(const TScanProgress& progress) override {
    Post([progress](TfrmUpdateFolder& w) { w.ShowScanProgress(progress); });
  }
  void OnUploadProgress(int64_t bytesMoved, int64_t fileSize) override {
    Post([bytesMoved, fileSize](TfrmUpdateFolder& w) {
      w.ShowUploadProgress(bytesMoved, fileSize);
    });
  }

 private:
  template <typename F>
  void Post(F&& show) {
    QPointer<TfrmUpdateFolder> window = Window_;
    QMetaObject::invokeMethod(
        Window_.data(),
        [window, show = std::forward<F>(show)] {
          if (window) show(*window);
        },
        Qt::QueuedConnection);
  }
  QPointer<TfrmUpdateFolder> Window_;
};

TFolderUpdateCommand::TFolderUpdateCommand(TAppState& state, TPrompts& prompts,
                                           TSharedHttpClient& httpClient, TfrmUpdateFolder& window,
                                           QObject* parent)
    : QObject(parent),
      State_(state),
      Prompts_(prompts),
      HttpClient_(httpClient),
      Window_(window),
      Observer_(std::make_unique<TWindowObserver>(window)) {
  connect(&Window_, &TfrmUpdateFolder::stopRequested, this, &TFolderUpdateCommand::RequestStop);
}

TFolderUpdateCommand::~TFolderUpdateCommand() = default;

bool TFolderUpdateCommand::Running() const { return Waiting_ || (Updates_ && Updates_->Running()); }

void TFolderUpdateCommand::RequestStop() {
  // The walk ends at its next directory entry; an upload under way is cut off.
  if (Updates_) Updates_->RequestStop();
}

int TFolderUpdateCommand::Run(bool quiet) {
  // The hourly refresh presses the button with AutoUpdating set.
  struct TQuietScope {
    TAppState& State;
    bool Quiet, Before;
    ~TQuietScope() {
      if (Quiet) State.AutoUpdating = Before;
    }
  } quietScope{State_, quiet, State_.AutoUpdating};
  if (quiet) State_.AutoUpdating = true;

  const int active = ActiveTransferCount ? ActiveTransferCount() : 0;
  if (active > 0 && !Prompts_.AskYesNo(TMessageKind::Information, kQuestionCaption,
                                       std::string(kAskUpdateWhileSending))) {
    return kUpdateRefused;
  }
  if (!State_.ShareStarted && !Prompts_.AskYesNo(TMessageKind::Information, kQuestionCaption,
                                                 std::string(kAskUpdateFolders))) {
    return kUpdateRefused;
  }
  State_.ShareStartTime = TickCount32();
  State_.ShareStarted = true;

  const int code = RunFolderUpdate();
  if (code == kUpdateRefused) return code;  // its warning was shown
  if (code == kUpdateAccepted) {
    if (!State_.AutoUpdating) {
      Prompts_.ShowNotice(kNoticeInfo, std::string(kUpdateSucceeded), "");
    }
  } else {
    Prompts_.ShowNotice(kNoticeError, std::string(UpdateFailureText(code)), "");
  }
  return code;
}

int TFolderUpdateCommand::RunFolderUpdate() {
  if (Running()) {
    Prompts_.ShowNotice(kNoticeWarning, std::string(kUpdateRunningLine1),
                        std::string(kUpdateRunningLine2));
    return kUpdateRefused;
  }
  if (!Updates_) {
    Api_ = std::make_unique<TServiceApi>(State_.BaseUrl);
    Updates_ = std::make_unique<TFolderUpdate>(State_.ProgramFolder, HttpClient_, *Api_);
  }
  Waiting_ = true;
  Window_.Initialised = false;
  if (!State_.AutoUpdating) {
    Window_.show();
    Window_.raise();
    Window_.repaint();
  }

  QEventLoop loop;
  QPointer<QEventLoop> loopRef(&loop);
  // Posted from the worker; the quit is queued, so it also ends a loop not yet running.
  auto onEnded = [loopRef] {
    QMetaObject::invokeMethod(
        loopRef.data(),
        [loopRef] {
          if (loopRef) loopRef->quit();
        },
        Qt::QueuedConnection);
  };
  const int32_t userPNo = State_.Settings.Snapshot().UserPNo;
  if (Updates_->StartFolderUpdate(State_.FolderList, userPNo, Observer_.get(), onEnded) != 0) {
    Waiting_ = false;
    Window_.hide();
    Prompts_.ShowNotice(kNoticeWarning, std::string(kUpdateRunningLine1),
                        std::string(kUpdateRunningLine2));
    return kUpdateRefused;
  }
  // The window, the timers and the other commands keep working while the worker runs.
  loop.exec();
  const TFolderUpdateOutcome outcome = Updates_->FinishFolderUpdate();
  // Reports still queued belong to this run; let them land before the window goes.
  QCoreApplication::sendPostedEvents(&Window_);
  Window_.hide();
  Waiting_ = false;

  // The walk worked on a snapshot: sizes go into the folders that are still registered.
  if (ApplyMeasuredSizes(State_.FolderList, outcome.MeasuredSizes) > 0) {
    emit folderSizesChanged();
  }
  return outcome.UpdateResult;
}

}  // namespace talvesso
