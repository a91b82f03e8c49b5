#include "common/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "common/app_constants.h"

namespace talvesso {

namespace {

QString WithSeparator(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

}  // namespace

QString ResolveProgramFolder() {
  const QString overrideFolder = qEnvironmentVariable(kProgramFolderEnv);
  if (!overrideFolder.isEmpty()) {
    QDir().mkpath(overrideFolder);
    return WithSeparator(QDir(overrideFolder).absolutePath());
  }
  const QString exeFolder = QCoreApplication::applicationDirPath();
  if (QFileInfo(exeFolder).isWritable()) return WithSeparator(exeFolder);
  QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
  const QString folder = data + QStringLiteral("/talvesso");
  QDir().mkpath(folder);
  return WithSeparator(folder);
}

std::string TrimBlanks(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::string ReadBaseUrl(const QString& folder) {
  QFile file(QDir(folder).filePath(QString::fromLatin1(kBackendAddressFile)));
  if (!file.exists()) return kDefaultBaseUrl;
  if (!file.open(QIODevice::ReadOnly)) return {};
  return TrimBlanks(file.readAll().toStdString());
}

}  // namespace talvesso
