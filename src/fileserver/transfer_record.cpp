#include "fileserver/transfer_record.h"

#include <array>

namespace talvesso {

namespace {

struct TStateInfo {
  int32_t Code;
  const char* Text;
  uint32_t Rgb;
};

constexpr uint32_t kWhite = 0xFFFFFF;

constexpr std::array<TStateInfo, 10> kStates{{
    {kStateWaiting, "대 기", kWhite},
    {kStateNoFile, "파일없음", kWhite},
    {kStateBadOffset, "위치오류", kWhite},
    {kStateSending, "전송중", 0xFFE9BA},
    {kStateCancelled, "전송취소", 0xDDDDDD},
    {kStateError, "전송에러", kWhite},
    {kStateDuplicate, "중복파일", kWhite},
    {kStateNoPoints, "포인트부족", kWhite},
    {kStateTooMany, "연결초과", kWhite},
    {kStateComplete, "전송완료", 0xEFEFEF},
}};

const TStateInfo* FindState(int32_t code) {
  for (const auto& info : kStates)
    if (info.Code == code) return &info;
  return nullptr;
}

}  // namespace

const char* StateText(int32_t code) {
  const TStateInfo* info = FindState(code);
  return info ? info->Text : "";
}

uint32_t StateColour(int32_t code) {
  const TStateInfo* info = FindState(code);
  return info ? info->Rgb : kWhite;
}

}  // namespace talvesso
