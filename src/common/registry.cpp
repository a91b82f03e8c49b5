#include "common/registry.h"

#include <QFileInfo>
#include <QSettings>

namespace talvesso {

namespace {

bool KeyExists(const QString& key) {
#ifdef _WIN32
  QSettings software(QStringLiteral("HKEY_CURRENT_USER\\Software"), QSettings::NativeFormat);
  return software.childGroups().contains(key, Qt::CaseInsensitive);
#else
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, key);
  return QFileInfo::exists(settings.fileName());
#endif
}

bool WriteValue(const QString& key, const QString& name, const QString& value, QString* error) {
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, key);
  settings.setValue(name, value);
  settings.sync();
  if (settings.status() == QSettings::NoError) return true;
  if (error) {
    *error = QStringLiteral("레지스트리 값을 쓸 수 없습니다: %1\\%2 (%3)")
                 .arg(key, name, settings.fileName());
  }
  return false;
}

}  // namespace

bool RegisterProgramFolder(const QString& key, const QString& folder, QString* error) {
  if (KeyExists(key)) return true;
  return WriteValue(key, QStringLiteral("dir"), folder, error);
}

bool WriteRegString(const QString& key, const QString& name, const QString& value, QString* error) {
  return WriteValue(key, name, value, error);
}

}  // namespace talvesso
