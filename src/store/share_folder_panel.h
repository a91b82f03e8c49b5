// The shared-folder panel: the list lvShareFolder, the add/change/delete commands with their
// dialog, and the folder update button.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>

class QPushButton;
class QTableView;

namespace talvesso {

struct TAppState;
class TPrompts;
class TfrmSetupFolder;
class TFolderUpdateCommand;
class TShareFolderModel;

class TShareFolderPanel : public QWidget {
  Q_OBJECT
 public:
  TShareFolderPanel(TAppState& state, TPrompts& prompts, TfrmSetupFolder& setupFolder,
                    TFolderUpdateCommand& folderUpdate, QWidget* parent = nullptr);

  void LoadFolderList();   // reads the rows into state.FolderList and refreshes the list
  void ClearFolderList();  // empties state.FolderList and the list
  // Empties the list view only (row count 0); state.FolderList is kept. Shown while nobody
  // is logged in.
  void EmptyListView();
  // Shows state.FolderList again (after sizes were measured).
  void RefreshList();
  // Add, change and delete are enabled only while a member is logged in.
  void SetLoggedIn(bool loggedIn);

  // The commands (also run by the buttons below the list).
  void btnAddFolderClick();
  void btnModifyFolderClick();
  void btnDelFolderClick();

  // The row of the current list that was last clicked, or -1. The click is remembered by the
  // folder's PNo, so after a reload the commands act on the same folder if it is still listed
  // and on nothing otherwise.
  int ClickedFolderRow() const;

  QTableView* lvShareFolder;
  QPushButton* btnAddFolder;
  QPushButton* btnModifyFolder;
  QPushButton* btnDelFolder;
  QPushButton* btnUpdateFolder;

 signals:
  // The registered folders changed (added, changed, deleted, reloaded, sizes measured).
  void foldersChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void lvShareFolderMouseDown(const QPoint& pos);
  void ReloadAfterChange();
  void ShowClickedRowSelected();

  TAppState& State_;
  TPrompts& Prompts_;
  TfrmSetupFolder& SetupFolder_;
  TFolderUpdateCommand& FolderUpdate_;
  TShareFolderModel* Model_;
  std::optional<int32_t> ClickedPNo_;  // none: nothing clicked
  int ClickedColumn_ = -1;
};

}  // namespace talvesso
