// The process entry: one running copy, the windows, the event loop.
#include <QApplication>

#include "common/artwork.h"
#include "shell/frmain.h"
#include "shell/screenshot_tour.h"
#include "shell/server_program.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("talvesso-server"));
  talvesso::InitArtwork();
  talvesso::UseKoreanFont();

  talvesso::TServerProgram program;
  if (!program.Start()) return 1;
  talvesso::StartScreenshotTour(program);
  program.MainWindow().show();
  return QApplication::exec();
}
