// Helpers of the dialog tests: a program folder with its databases, and driving modal
// dialogs from inside their own event loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "shell/app_state.h"
#include "store/local_databases.h"
#include "store/server_config_store.h"
#include "support/temp_dir.h"

namespace talvesso::test {

// A program folder in a temp folder with both databases open and the settings loaded, as the
// main window's first showing leaves them.
struct TProgramFolder {
  TTempDir Dir;
  TAppState State;
  TProgramFolder() {
    State.ProgramFolder = Dir.Folder();
    OpenLocalDatabases(State.ProgramFolder, State.Databases);
    TServerConfig record;
    LoadServerConfig(State.Databases.DB, record);
    State.Settings.Replace(record);
  }
  // The settings row as stored now.
  TServerConfig StoredSettings() {
    TServerConfig record;
    LoadServerConfig(State.Databases.DB, record);
    return record;
  }
};

// Runs `act` as soon as `widget` is showing: schedule it, then open the modal dialog; `act`
// runs inside the dialog's event loop and must end by closing it. Gives up after 5 s (the
// test then fails on what the dialog returned).
inline void WhenShown(QWidget* widget, std::function<void()> act) {
  auto* poll = new QTimer;
  auto started = std::make_shared<int>(0);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, widget, act, started] {
    if (widget->isVisible()) {
      poll->stop();
      poll->deleteLater();
      act();
    } else if (++*started > 1000) {
      poll->stop();
      poll->deleteLater();
    }
  });
  poll->start();
}

}  // namespace talvesso::test
