// The member-visible texts of the settings, shared-folder and picker windows, in one place.
#pragma once

namespace talvesso::store_text {

// Message box captions.
inline constexpr const char* kCaptionError = "오 류";
inline constexpr const char* kCaptionInfo = "안 내";
inline constexpr const char* kCaptionQuestion = "확 인";

// Settings dialog.
inline constexpr const char* kSvrConfigCaption = "서버 환경설정";
inline constexpr const char* kNameRequired = "서버명은 반드시 입력해야 합니다!";
inline constexpr const char* kPortAutoSetPrefix = "포트번호가 ";
inline constexpr const char* kPortAutoSetSuffix = "번으로 자동설정 되었습니다";
// Shown when the system gave no reason of its own for a port that cannot be bound.
inline constexpr const char* kPortUnusable = "포트를 사용할 수 없습니다.";

// Shared-folder dialog and commands.
inline constexpr const char* kSetupFolderCaption = "공유폴더설정";
inline constexpr const char* kFolderExists = "이미 존재하는 공유폴더입니다!";
inline constexpr const char* kAppliedLater = "서버를 재시작하거나 폴더 업데이트를 한후 적용됩니다!";
inline constexpr const char* kDeleteQuestion =
    "삭제를 하실경우 작성되어 있던 프리뷰 링크에서 모두 제거됩니다. 삭제 하시겠습니까?";
inline constexpr const char* kFolderRequired = "공유폴더를 지정해 주시기 바랍니다!";
inline constexpr const char* kShareNameRequired = "공유폴더 이름을 입력해 주시기 바랍니다!";
inline constexpr const char* kUnusableFolder = "사용할 수 없는 폴더입니다.";
inline constexpr const char* kChooseFolderTitle = "저장 폴더 선택";

// Picker.
inline constexpr const char* kCharBoxCaption = "특수문자 입력기";

}  // namespace talvesso::store_text
