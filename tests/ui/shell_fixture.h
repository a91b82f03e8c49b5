// What the shell's Qt tests share: a sandbox (program folder, lock folder, registry folder),
// the stand-in backend, a program built with the scripted prompts, and waiting helpers.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "shell/server_program.h"
#include "store/server_config.h"
#include "support/dev_backend.h"
#include "support/fake_prompts.h"
#include "support/temp_dir.h"

class QWidget;

namespace talvesso::test {

inline constexpr const char* kDemoId = "demo";
inline constexpr const char* kDemoPassword = "pa#ss 1";
inline constexpr int kDemoPNo = 1001;
inline constexpr int kDemoPoints = 25000;

class TShellSandbox {
 public:
  TShellSandbox();
  // Starts the stand-in backend with the demo member (plus `args`).
  bool StartBackend(const std::vector<std::string>& args = {});
  // Writes "svr_addr.cfg" pointing at the backend (or at `address`).
  void PointAtBackend();
  void PointAt(const std::string& address);
  // Writes the settings row into "share.dat" before the program starts.
  void SeedSettings(const TServerConfig& config);
  TServerConfig StoredSettings();
  QString ProgramFolder() const { return QString::fromStdString(Program.Folder()); }
  TStartOptions Options() const;
  // Paths of the backend's requests so far ("/login_user.php", ...).
  QStringList BackendPaths() const;
  // Query value `name` of every request to `path`.
  QStringList BackendQueryValues(const QString& path, const QString& name) const;

  TTempDir Program;
  TTempDir Lock;
  TTempDir Config;
  TDevBackend Backend;
};

// A started program with scripted prompts, shown, its first showing done.
struct TRunningProgram {
  TFakePrompts Prompts;
  TServerProgram Program{&Prompts};
  bool StartAndShow(const TStartOptions& options);
  // Waits for the one-shot start-up sequence.
  bool WaitStartup();
  bool StartupDone = false;
};

// Caption of the panel whose tab is in front.
QString ActivePanel(QWidget* mainWindow);

// Runs `action` once `widget` is visible (for modal dialogs: queued before their exec()).
void WhenShown(QWidget* widget, std::function<void()> action);

}  // namespace talvesso::test
