// What the sharing tests share: the whole program (scripted prompts) against the stand-in
// backend and the stand-in network test server, logged in as the demo member, with one shared
// folder and a free sharing port in its settings.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/nettestd_fixture.h"
#include "ui/shell_fixture.h"

namespace talvesso {
class TfrmMain;
class TSharingControl;
class TSvrModule;
class TTransferPanel;
}  // namespace talvesso

namespace talvesso::test {

struct TSharingOptions {
  std::vector<std::string> BackendArgs;
  std::vector<std::string> NetTestArgs;
  bool NetTest = true;  // false: "chk_addr.cfg" names a port nobody listens on
  std::string ServerName = "데모 서버";
  bool LogIn = true;
};

class TSharingBench {
 public:
  ~TSharingBench();
  bool Start(const TSharingOptions& options = {});

  TServerProgram& Program() { return Run->Program; }
  TfrmMain& Main();
  TSharingControl& Sharing();
  TSvrModule& Module();
  TTransferPanel& Panel();
  TFakePrompts& Prompts() { return Run->Prompts; }
  TAppState& State() { return Run->Program.State(); }

  // Presses the start/stop command and returns when it has ended.
  void Press();
  bool Listening();

  // The backend's log entries for `path` (e.g. "/set_server_status.php").
  QJsonArray Requests(const QString& path) const;
  int RequestCount(const QString& path) const { return Requests(path).size(); }
  // Texts of the message boxes and notices so far.
  std::vector<std::string> MessageTexts() const;
  std::vector<std::string> NoticeLines() const;

  std::string SharedFolder() const { return (Sandbox.Program.Path() / "shares" / "demo").string(); }

  TShellSandbox Sandbox;
  TNetTestServer NetTest;
  int Port = 0;
  std::unique_ptr<TRunningProgram> Run;
};

// Query value `name` of a backend log entry.
QString QueryValue(const QJsonValue& entry, const QString& name);

}  // namespace talvesso::test
