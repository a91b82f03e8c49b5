#include "ui/sharing_fixture.h"

#include <QJsonDocument>

#include "fileserver/prSvrModule.h"
#include "fileserver/sharing_control.h"
#include "fileserver/transfer_panel.h"
#include "shell/frmain.h"
#include "store/local_databases.h"
#include "store/share_folder_store.h"

namespace talvesso::test {

TSharingBench::~TSharingBench() {
  // A test that leaves sharing on: the program stops its listener as it goes.
  Run.reset();
}

bool TSharingBench::Start(const TSharingOptions& options) {
  if (!Sandbox.StartBackend(options.BackendArgs)) return false;
  Sandbox.PointAtBackend();
  if (options.NetTest) {
    if (!NetTest.Start(options.NetTestArgs)) return false;
    Sandbox.Program.WriteFile("chk_addr.cfg", "127.0.0.1:" + std::to_string(NetTest.Port()) + "\n");
  } else {
    Sandbox.Program.WriteFile("chk_addr.cfg", "127.0.0.1:" + std::to_string(FreePort()) + "\n");
  }

  Port = FreePort();
  TServerConfig config;
  config.Name = options.ServerName;
  config.Port = Port;
  config.MaxConn = 10;
  config.PopupClose = 2;
  Sandbox.SeedSettings(config);
  {
    Sandbox.Program.WriteFile("shares/demo/hello.txt", "hello from the demo share\n");
    Sandbox.Program.WriteFile("shares/demo/sub/data.bin", std::string(70000, 'd'));
    TLocalDatabases dbs;
    OpenLocalDatabases(Sandbox.Program.Folder(), dbs);
    TShareFolderNodeData folder;
    folder.Name = "demo";
    folder.Path = SharedFolder();
    folder.Use = 1;
    folder.Search = 1;
    InsertFolderRow(dbs.DB, folder);
  }

  Run = std::make_unique<TRunningProgram>();
  if (!Run->StartAndShow(Sandbox.Options())) return false;
  if (!Run->WaitStartup()) return false;
  if (options.LogIn) {
    Main().Account().LogIn(false, kDemoId, kDemoPassword);
    if (!State().LoggedIn) return false;
  }
  Run->Prompts.Notices.clear();
  Run->Prompts.Messages.clear();
  return true;
}

TfrmMain& TSharingBench::Main() { return Run->Program.MainWindow(); }
TSharingControl& TSharingBench::Sharing() { return Run->Program.Sharing(); }
TSvrModule& TSharingBench::Module() { return Run->Program.SvrModule(); }
TTransferPanel& TSharingBench::Panel() { return Run->Program.TransferPanel(); }

void TSharingBench::Press() { Main().btnSvrStart->trigger(); }

bool TSharingBench::Listening() { return Module().Listening(); }

QJsonArray TSharingBench::Requests(const QString& path) const {
  QJsonArray matching;
  const QJsonArray log =
      QJsonDocument::fromJson(QByteArray::fromStdString(Sandbox.Backend.Get("_log"))).array();
  for (const QJsonValue& entry : log) {
    if (entry.toObject().value(QStringLiteral("path")).toString() == path) matching.append(entry);
  }
  return matching;
}

std::vector<std::string> TSharingBench::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& message : Run->Prompts.Messages) texts.push_back(message.Text);
  return texts;
}

std::vector<std::string> TSharingBench::NoticeLines() const {
  std::vector<std::string> lines;
  for (const auto& notice : Run->Prompts.Notices) lines.push_back(notice.Line1);
  return lines;
}

QString QueryValue(const QJsonValue& entry, const QString& name) {
  return entry.toObject().value(QStringLiteral("query")).toObject().value(name).toString();
}

}  // namespace talvesso::test
