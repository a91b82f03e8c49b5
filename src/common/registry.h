// The per-user registry values of the program: HKEY_CURRENT_USER\software\<key> on Windows,
// an INI file "<key>.conf" in the user's config folder elsewhere (QSettings' native format).
#pragma once

#include <QString>

namespace talvesso {

// Writes "dir" = folder only when the key does not exist yet (first run), so "dir" keeps the
// folder of the first start. false with `error` when the key or value cannot be written.
bool RegisterProgramFolder(const QString& key, const QString& folder, QString* error = nullptr);

// Writes the string value `name` = `value` under the key.
bool WriteRegString(const QString& key, const QString& name, const QString& value,
                    QString* error = nullptr);

}  // namespace talvesso
