#include "store/server_config_store.h"

namespace talvesso {

namespace {

constexpr const char* kSelectConfig = "Select * From ServerConfig Where PNo=1";
constexpr const char* kInsertConfig = "Insert Into ServerConfig(PNo) Values(1)";
constexpr const char* kUpdateConfig =
    "Update ServerConfig Set PopupClose=:PopupClose,UserID=:UserID,UserPass=:UserPass,"
    "SaveID=:SaveID,SavePass=:SavePass,Name=:Name,Port=:Port,MaxConn=:MaxConn,"
    "AutoPort=:AutoPort,AutoLogin=:AutoLogin,AutoShare=:AutoShare Where PNo=1";

constexpr int32_t kMinPopupClose = 2;

// Reads the row into `record`; true when the table had no row yet.
bool ReadConfigRow(TSqliteDb& db, TServerConfig& record) {
  TSqliteStatement select(db, kSelectConfig);
  if (!select.Step()) return select.Ok();  // no row, or an error that leaves the record
  record.Name = select.Text("Name");
  record.Port = select.Int("Port");
  record.MaxConn = select.Int("MaxConn");
  record.AutoPort = select.Int("AutoPort");
  record.AutoLogin = select.Int("AutoLogin");
  record.AutoShare = select.Int("AutoShare");
  record.UserID = select.Text("UserID");
  record.UserPass = select.Text("UserPass");
  record.SaveID = select.Int("SaveID");
  record.SavePass = select.Int("SavePass");
  record.PopupClose = select.Int("PopupClose");
  return false;
}

}  // namespace

void LoadServerConfig(TSqliteDb& db, TServerConfig& record) {
  record.Name.clear();
  if (ReadConfigRow(db, record)) {
    TSqliteStatement insert(db, kInsertConfig);
    insert.Step();
  }
  if (record.PopupClose < kMinPopupClose) record.PopupClose = kMinPopupClose;
}

void SaveServerConfig(TSqliteDb& db, const TServerConfig& record) {
  TSqliteStatement update(db, kUpdateConfig);
  update.BindInt("PopupClose", record.PopupClose);
  update.BindText("UserID", record.UserID);
  update.BindText("UserPass", record.UserPass);
  update.BindInt("SaveID", record.SaveID);
  update.BindInt("SavePass", record.SavePass);
  update.BindText("Name", record.Name);
  update.BindInt("Port", record.Port);
  update.BindInt("MaxConn", record.MaxConn);
  update.BindInt("AutoPort", record.AutoPort);
  update.BindInt("AutoLogin", record.AutoLogin);
  update.BindInt("AutoShare", record.AutoShare);
  update.Step();
}

}  // namespace talvesso
