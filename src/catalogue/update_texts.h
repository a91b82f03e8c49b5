// The texts of a folder update, in one place: the progress window's two lines in each phase of
// a run, and the warnings and notices around it. Byte for byte what the member has always seen
// (including the misspelt "앍고").
#pragma once

#include <string_view>

namespace talvesso {

// The phases of one run, in the order they come.
enum class TUpdatePhase {
  Shown,             // window shown, run not yet started
  WalkBegins,        // the shared folders are being walked
  EnteringFolder,    // the walk enters a subfolder (the name line shows the folder's name)
  WalkDone,          // the catalogue file is being written
  UploadBegins,      // the upload starts; the progress bar appears
  Uploading,         // bytes are moving
  TransferFinished,  // the request has been sent or the answer read
};

// What the window's status line (lblName2) and name line (lblName) show in a phase.
// `Keep` means the line keeps its text; "" clears it.
struct TUpdatePhaseTexts {
  static constexpr std::string_view Keep{};  // a null view, distinct from the empty text ""
  std::string_view Status;
  std::string_view Name;
  bool KeepsStatus() const { return Status.data() == nullptr; }
  bool KeepsName() const { return Name.data() == nullptr; }
};

constexpr TUpdatePhaseTexts UpdatePhaseTexts(TUpdatePhase phase) {
  switch (phase) {
    case TUpdatePhase::Shown:
      return {"잠시 기다려 주시기 바랍니다.", "업데이트 준비중입니다."};
    case TUpdatePhase::WalkBegins:
      return {"폴더를 앍고 있습니다. (파일정보 추출)", TUpdatePhaseTexts::Keep};
    case TUpdatePhase::EnteringFolder:  // the name line gets the folder's own name
      return {TUpdatePhaseTexts::Keep, TUpdatePhaseTexts::Keep};
    case TUpdatePhase::WalkDone:
      return {"잠시 대기해 주시기 바랍니다.", "사용자의 데이터베이스(DB)에 저장하고 있습니다."};
    case TUpdatePhase::UploadBegins:
      return {"추출된 정보를 서버로 전송중입니다.", ""};
    case TUpdatePhase::Uploading:
      return {TUpdatePhaseTexts::Keep, ""};
    case TUpdatePhase::TransferFinished:
      return {"서버의 처리결과를 기다리고 있습니다.", ""};
  }
  return {TUpdatePhaseTexts::Keep, TUpdatePhaseTexts::Keep};
}

// The progress window.
inline constexpr std::string_view kUpdateWindowCaption = "폴더 업데이트";
inline constexpr std::string_view kUpdateStopButton = "중 지";

// A second update while one runs (title kNoticeWarning).
inline constexpr std::string_view kUpdateRunningLine1 = "폴더 업데이트 쓰레드가 이미 동작중입니다.";
inline constexpr std::string_view kUpdateRunningLine2 =
    "이중으로 동작될수 없으므로 대기해 주십시요!";

// Outcomes (success under kNoticeInfo, the others under kNoticeError).
inline constexpr std::string_view kUpdateSucceeded = "서버에 성공적으로 적용되었습니다.";
inline constexpr std::string_view kUpdateStopped = "사용자에 의해 중단되었습니다.";
inline constexpr std::string_view kUpdateFailed = "서버 적용에 실패했습니다!";

// The update button's questions ("\r\n" are line breaks of the message box).
inline constexpr std::string_view kAskUpdateWhileSending =
    "데이터 전송중인 파일이 있습니다.\r\n중지하시고 업데이트 하시겠습니까?\r\n\r\n"
    "파일의 수에 따라 10초 ~ 5분이상 소요될수 있습니다.";
inline constexpr std::string_view kAskUpdateFolders =
    "공유폴더의 정보를 업데이트 하시겠습니까?\r\n\r\n"
    "파일의 수에 따라 10초 ~ 5분이상 소요될수 있습니다.";

// Result codes of RunFolderUpdate.
inline constexpr int kUpdateAccepted = 200;
inline constexpr int kUpdateRejected = 300;
inline constexpr int kUpdateStoppedByUser = 100;
inline constexpr int kUpdateNoResult = 0;
inline constexpr int kUpdateRefused = -1;

// The notice line for a result other than 200 (100 stopped, everything else failed).
constexpr std::string_view UpdateFailureText(int result) {
  return result == kUpdateStoppedByUser ? kUpdateStopped : kUpdateFailed;
}

}  // namespace talvesso
