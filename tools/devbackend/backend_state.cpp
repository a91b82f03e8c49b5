#include "backend_state.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace talvesso::devbackend {

namespace {

constexpr const char* kOk = "##%%OK%%##";
constexpr const char* kNotMoney = "##%%NOT_MONEY%%##";
constexpr const char* kNotExists = "##%%NOT_EXISTS%%##";
constexpr size_t kTransfersKept = 200;

std::string Answer(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// Anything without a marker reads as a failure to the agent.
std::string Refusal(const std::string& why) { return "ERROR " + why + "\r\n"; }

}  // namespace

std::string FormatTime(TBackendState::TClock::time_point time) {
  std::time_t t = TBackendState::TClock::to_time_t(time);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

TBackendState::TBackendState(TBackendOptions options, const std::vector<TMember>& members)
    : Options_(std::move(options)), Members_(members) {}

TMember* TBackendState::FindMember(const std::string& id) {
  for (auto& m : Members_)
    if (m.Id == id) return &m;
  return nullptr;
}

const TMember* TBackendState::FindMember(const std::string& id) const {
  return const_cast<TBackendState*>(this)->FindMember(id);
}

TMember* TBackendState::FindMemberByPNo(int32_t pno) {
  for (auto& m : Members_)
    if (m.PNo == pno) return &m;
  return nullptr;
}

int64_t TBackendState::Move(TMember& from, TMember& to, int64_t points) {
  // Balances never go negative: the downloader pays what is left at most.
  int64_t moved = std::clamp<int64_t>(points, 0, std::max<int64_t>(from.Points, 0));
  from.Points -= moved;
  to.Points += moved;
  return moved;
}

void TBackendState::Remember(TTransfer transfer) {
  Transfers_.push_back(std::move(transfer));
  while (Transfers_.size() > kTransfersKept) Transfers_.pop_front();
}

std::string TBackendState::ServerVersion() const {
  return Answer({kOk, std::to_string(Options_.NewestBuild)});
}

std::string TBackendState::Login(const std::string& id, const std::string& password) const {
  std::lock_guard lock(Mutex_);
  const TMember* m = FindMember(id);
  if (!m || m->Password != password) return Refusal("wrong id or password");
  return Answer({kOk, std::to_string(m->PNo), std::to_string(m->Points)});
}

std::string TBackendState::Points(const std::string& id) const {
  std::lock_guard lock(Mutex_);
  const TMember* m = FindMember(id);
  if (!m) return Answer({kNotExists});
  return Answer({kOk, std::to_string(m->Points)});
}

std::string TBackendState::Cost() const {
  return Answer({kOk, std::to_string(Options_.CostValue1), std::to_string(Options_.CostValue2)});
}

std::string TBackendState::ServerStatus(int32_t pno, int32_t port, int status,
                                        const std::string& serverName) {
  std::lock_guard lock(Mutex_);
  TMember* owner = FindMemberByPNo(pno);
  if (!owner) return Refusal("unknown user_pno");
  TServer& server = Servers_[pno];
  server.PNo = pno;
  server.OwnerId = owner->Id;
  server.Port = port;
  server.Online = status == 1;
  if (status == 1) server.Name = serverName;
  server.LastSeen = TClock::now();
  return Answer({kOk});
}

std::string TBackendState::Watchdog(int32_t pno, int64_t bps) {
  std::lock_guard lock(Mutex_);
  auto it = Servers_.find(pno);
  if (it == Servers_.end()) return Refusal("server not reported on");
  it->second.Bps = bps;
  it->second.LastSeen = TClock::now();
  return Answer({kOk});
}

std::string TBackendState::DownStart(int64_t filePNo, const std::string& serverId,
                                     const std::string& userId, const std::string& uid,
                                     bool resumed) {
  std::lock_guard lock(Mutex_);
  TMember* owner = FindMember(serverId);
  TMember* downloader = FindMember(userId);
  if (!owner || !downloader) return Refusal("unknown server_id or user_id");
  if (uid.empty()) return Refusal("no uid");
  TTransfer transfer;
  transfer.Uid = uid;
  transfer.ServerId = serverId;
  transfer.UserId = userId;
  transfer.FilePNo = filePNo;
  transfer.Resumed = resumed;
  transfer.Started = TClock::now();
  // A resumed download continues one already paid for: it starts free.
  int64_t charge = resumed ? 0 : Options_.DownloadCost;
  if (downloader->Points < charge) {
    transfer.State = "refused: not enough points";
    Remember(std::move(transfer));
    return Answer({kNotMoney});
  }
  transfer.PointsMoved = Move(*downloader, *owner, charge);
  transfer.State = "started";
  Remember(std::move(transfer));
  return Answer({kOk});
}

std::string TBackendState::ReportVolume(const std::string& serverId, const std::string& userId,
                                        int64_t packetCount, int64_t serverBps, int64_t filePNo,
                                        const std::string& uid) {
  std::lock_guard lock(Mutex_);
  // Settle the download that this identifier started, once.
  auto it = std::find_if(Transfers_.rbegin(), Transfers_.rend(), [&](const TTransfer& t) {
    return t.Uid == uid && t.ServerId == serverId && t.UserId == userId && t.State == "started";
  });
  if (it == Transfers_.rend()) return Refusal("no started download with this uid");
  TMember* owner = FindMember(serverId);
  TMember* downloader = FindMember(userId);
  if (!owner || !downloader) return Refusal("unknown server_id or user_id");
  it->State = "reported";
  it->Packets = packetCount;
  it->ServerBps = serverBps;
  it->FilePNo = filePNo;
  if (packetCount > 0)
    it->PointsMoved += Move(*downloader, *owner, packetCount * Options_.CostValue2);
  return Answer({kOk});
}

std::string TBackendState::SaveCatalogue(int32_t pno, const std::string* fileBytes) {
  if (!fileBytes) return Refusal("no file1");
  TCatalogueParse parse = ParseCatalogue(*fileBytes);
  std::lock_guard lock(Mutex_);
  if (!FindMemberByPNo(pno)) return Refusal("unknown user_pno");
  if (!Options_.StoreDir.empty()) {
    std::filesystem::path file =
        std::filesystem::path(Options_.StoreDir) / ("fshare_" + std::to_string(pno) + ".txt");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(fileBytes->data(), static_cast<std::streamsize>(fileBytes->size()));
    if (!out) return Refusal("cannot store the catalogue");
  }
  if (!parse.Error.empty()) return Refusal("catalogue " + parse.Error);
  TCatalogue& catalogue = Catalogues_[pno];
  catalogue.Entries = std::move(parse.Entries);
  catalogue.Bytes = fileBytes->size();
  catalogue.StoredAt = TClock::now();
  return Answer({kOk});
}

nlohmann::json TBackendState::StateJson() const {
  std::lock_guard lock(Mutex_);
  nlohmann::json state;
  state["members"] = nlohmann::json::array();
  for (const auto& m : Members_)
    state["members"].push_back({{"id", m.Id}, {"pno", m.PNo}, {"points", m.Points}});
  state["servers"] = nlohmann::json::array();
  for (const auto& [pno, s] : Servers_)
    state["servers"].push_back({{"pno", pno},
                                {"owner", s.OwnerId},
                                {"name", s.Name},
                                {"port", s.Port},
                                {"online", s.Online},
                                {"bps", s.Bps},
                                {"last_seen", FormatTime(s.LastSeen)}});
  state["catalogues"] = nlohmann::json::object();
  for (const auto& [pno, c] : Catalogues_) {
    nlohmann::json entries = nlohmann::json::array();
    for (const auto& e : c.Entries)
      entries.push_back({{"no", e.No},
                         {"parent", e.ParentNo},
                         {"type", e.Type},
                         {"path", e.Path},
                         {"name", e.Name},
                         {"size", e.Size},
                         {"adult", e.Adult},
                         {"use", e.Use},
                         {"search", e.Search}});
    state["catalogues"][std::to_string(pno)] = {
        {"bytes", c.Bytes}, {"stored_at", FormatTime(c.StoredAt)}, {"entries", entries}};
  }
  state["transfers"] = nlohmann::json::array();
  for (const auto& t : Transfers_)
    state["transfers"].push_back({{"uid", t.Uid},
                                  {"server_id", t.ServerId},
                                  {"user_id", t.UserId},
                                  {"file_pno", t.FilePNo},
                                  {"resumed", t.Resumed},
                                  {"state", t.State},
                                  {"packets", t.Packets},
                                  {"server_bps", t.ServerBps},
                                  {"points_moved", t.PointsMoved},
                                  {"started", FormatTime(t.Started)}});
  return state;
}

}  // namespace talvesso::devbackend
