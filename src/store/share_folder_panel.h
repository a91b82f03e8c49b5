// The shared-folder panel: the list lvShareFolder, the add/change/delete commands with their
// dialog, and the folder update button.
#pragma once

#include <QWidget>

namespace talvesso {

struct TAppState;
class TPrompts;
class TfrmSetupFolder;
class TFolderUpdateCommand;

class TShareFolderPanel : public QWidget {
  Q_OBJECT
 public:
  TShareFolderPanel(TAppState& state, TPrompts& prompts, TfrmSetupFolder& setupFolder,
                    TFolderUpdateCommand& folderUpdate, QWidget* parent = nullptr);

  void LoadFolderList();   // reads the rows into state.FolderList and refreshes the list
  void ClearFolderList();  // empties state.FolderList and the list
  // Add, change and delete are enabled only while a member is logged in.
  void SetLoggedIn(bool loggedIn);

 signals:
  // The registered folders changed (added, changed, deleted, reloaded, sizes measured).
  void foldersChanged();
};

}  // namespace talvesso
