#include "fileserver/transfer_store.h"

#include <gtest/gtest.h>

#include "fileserver_fixture.h"

namespace talvesso {
namespace {

TEST(TransferRecord, StateTextsAndColours) {
  struct TCase {
    int32_t Code;
    const char* Text;
    uint32_t Rgb;
  };
  const TCase cases[] = {
      {0, "대 기", 0xFFFFFF},     {1, "파일없음", 0xFFFFFF},   {2, "위치오류", 0xFFFFFF},
      {3, "전송중", 0xFFE9BA},    {4, "전송취소", 0xDDDDDD},   {6, "전송에러", 0xFFFFFF},
      {7, "중복파일", 0xFFFFFF},  {8, "포인트부족", 0xFFFFFF}, {9, "연결초과", 0xFFFFFF},
      {10, "전송완료", 0xEFEFEF}, {5, "", 0xFFFFFF},           {11, "", 0xFFFFFF},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(StateText(c.Code), c.Text) << c.Code;
    EXPECT_EQ(StateColour(c.Code), c.Rgb) << c.Code;
  }
}

TEST(TransferStore, RowsAreNewestFirstAndCleanUpKeepsWaitingAndRunning) {
  test::TRecordingObserver observer;
  TTransferStore store(&observer);
  // Five rows; from the top their states will be 3, 10, 0, 1, 6... then clean-up.
  std::vector<std::shared_ptr<TTransferRow>> rows;
  for (int i = 0; i < 5; ++i) rows.push_back(store.AddStatusRow());
  EXPECT_EQ(observer.Added.load(), 5);
  const int32_t statesOldestFirst[] = {kStateError, kStateNoFile, kStateWaiting, kStateComplete,
                                       kStateSending};
  for (int i = 0; i < 5; ++i)
    rows[i]->Modify([&](TSendStatusNodeData& d) { d.State = statesOldestFirst[i]; });

  auto shown = store.Rows();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown.front().Id, rows[4]->Id());  // newest on top
  EXPECT_EQ(shown.back().Id, rows[0]->Id());

  auto removed = store.RemoveFinished();
  EXPECT_EQ(removed.size(), 3u);
  shown = store.Rows();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Data.State, kStateSending);
  EXPECT_EQ(shown[1].Data.State, kStateWaiting);

  // A row removed from the list stays usable by whoever still holds it.
  rows[3]->Modify([](TSendStatusNodeData& d) { d.Position = 1; });
  EXPECT_EQ(rows[3]->View().Data.Position, 1);
  store.Clear();
  EXPECT_EQ(store.Count(), 0u);
}

}  // namespace
}  // namespace talvesso
