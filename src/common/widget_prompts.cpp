#include "common/widget_prompts.h"

#include <QApplication>
#include <QMessageBox>

#include "common/frmsgdlg.h"

namespace talvesso {

namespace {

QMessageBox::Icon IconOf(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Warning:
      return QMessageBox::Warning;
    case TMessageKind::Error:
      return QMessageBox::Critical;
    case TMessageKind::Information:
      break;
  }
  return QMessageBox::Information;
}

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TWidgetPrompts::TWidgetPrompts(TfrmMsgDialog* notice, std::function<int()> popupCloseSeconds)
    : Notice_(notice), PopupCloseSeconds_(std::move(popupCloseSeconds)) {}

void TWidgetPrompts::ShowNotice(const std::string& title, const std::string& line1,
                                const std::string& line2) {
  if (!Notice_) return;
  Notice_->ShowNotice(Utf8(title), Utf8(line1), Utf8(line2), PopupCloseSeconds_());
}

void TWidgetPrompts::ShowMessage(TMessageKind kind, const std::string& caption,
                                 const std::string& text) {
  QMessageBox box(IconOf(kind), Utf8(caption), Utf8(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

bool TWidgetPrompts::AskYesNo(TMessageKind kind, const std::string& caption,
                              const std::string& text) {
  QMessageBox box(IconOf(kind), Utf8(caption), Utf8(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace talvesso
