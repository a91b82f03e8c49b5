#include "ui/shell_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "shell/frmain.h"
#include "store/local_databases.h"
#include "store/server_config_store.h"

namespace talvesso::test {

TShellSandbox::TShellSandbox() {
  // The registry file of this test lives in the sandbox.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromStdString(Config.Folder()));
}

bool TShellSandbox::StartBackend(const std::vector<std::string>& args) {
  std::vector<std::string> all{"--member", std::string(kDemoId) + ":" + kDemoPassword + ":" +
                                               std::to_string(kDemoPNo) + ":" +
                                               std::to_string(kDemoPoints)};
  all.insert(all.end(), args.begin(), args.end());
  return Backend.Start(all);
}

void TShellSandbox::PointAtBackend() { PointAt(Backend.BaseUrl() + "\n"); }

void TShellSandbox::PointAt(const std::string& address) {
  Program.WriteFile("svr_addr.cfg", address);
}

void TShellSandbox::SeedSettings(const TServerConfig& config) {
  TLocalDatabases dbs;
  OpenLocalDatabases(Program.Folder(), dbs);
  TServerConfig loaded;
  LoadServerConfig(dbs.DB, loaded);  // inserts the row
  SaveServerConfig(dbs.DB, config);
}

TServerConfig TShellSandbox::StoredSettings() {
  TLocalDatabases dbs;
  OpenLocalDatabases(Program.Folder(), dbs);
  TServerConfig loaded;
  LoadServerConfig(dbs.DB, loaded);
  return loaded;
}

TStartOptions TShellSandbox::Options() const {
  return {QString::fromStdString(Program.Folder()), QString::fromStdString(Lock.Folder())};
}

static QJsonArray BackendLog(const TDevBackend& backend) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(backend.Get("_log"))).array();
}

QStringList TShellSandbox::BackendPaths() const {
  QStringList paths;
  for (const QJsonValue& entry : BackendLog(Backend)) {
    paths << entry.toObject().value(QStringLiteral("path")).toString();
  }
  return paths;
}

QStringList TShellSandbox::BackendQueryValues(const QString& path, const QString& name) const {
  QStringList values;
  for (const QJsonValue& entry : BackendLog(Backend)) {
    const QJsonObject object = entry.toObject();
    if (object.value(QStringLiteral("path")).toString() != path) continue;
    values << object.value(QStringLiteral("query")).toObject().value(name).toString();
  }
  return values;
}

bool TRunningProgram::StartAndShow(const TStartOptions& options) {
  if (!Program.Start(options)) return false;
  TfrmMain& main = Program.MainWindow();
  QObject::connect(&main, &TfrmMain::startupFinished, &main, [this] { StartupDone = true; });
  main.show();
  return QTest::qWaitFor([&main] { return main.FirstShowDone(); }, 5000);
}

bool TRunningProgram::WaitStartup() {
  return QTest::qWaitFor([this] { return StartupDone; }, 15000);
}

QString ActivePanel(QWidget* mainWindow) {
  for (QTabBar* bar : mainWindow->findChildren<QTabBar*>()) {
    if (bar->count() == 3) return bar->tabText(bar->currentIndex());
  }
  return {};
}

void WhenShown(QWidget* widget, std::function<void()> action) {
  auto* poll = new QTimer(widget);
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, widget, [widget, poll, action] {
    if (!widget->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action();
  });
  poll->start();
}

}  // namespace talvesso::test
