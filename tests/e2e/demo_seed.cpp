// talvesso-demo-seed: prepares a program folder's "share.dat" with the program's own store
// code, for the demo (scripts/run) and the UI load benchmark: the settings row (server name,
// port, member, automatic login and sharing) and the shared folders.
//
// Usage: talvesso-demo-seed --folder DIR --name NAME --port N --id ID --password PW
//                           [--max-conn N] [--auto] [--share NAME=PATH ...]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "store/local_databases.h"
#include "store/server_config_store.h"
#include "store/share_folder_store.h"

namespace {

int Fail(const char* text) {
  std::fprintf(stderr, "talvesso-demo-seed: %s\n", text);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  talvesso::TServerConfig config;
  config.MaxConn = 10;
  config.PopupClose = 2;
  std::vector<std::pair<std::string, std::string>> shares;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--auto") {
      config.AutoLogin = config.AutoShare = 1;
      continue;
    }
    if (i + 1 >= argc) return Fail("every option but --auto needs a value");
    const std::string value = argv[++i];
    if (name == "--folder") {
      folder = value;
    } else if (name == "--name") {
      config.Name = value;
    } else if (name == "--port") {
      config.Port = std::atoi(value.c_str());
    } else if (name == "--max-conn") {
      config.MaxConn = std::atoi(value.c_str());
    } else if (name == "--id") {
      config.UserID = value;
      config.SaveID = 1;
    } else if (name == "--password") {
      config.UserPass = value;
      config.SavePass = 1;
    } else if (name == "--share") {
      const size_t eq = value.find('=');
      if (eq == std::string::npos || eq == 0) return Fail("--share wants NAME=PATH");
      shares.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    } else {
      return Fail("unknown option");
    }
  }
  if (folder.empty()) return Fail("--folder is required");

  talvesso::TLocalDatabases dbs;
  if (talvesso::OpenLocalDatabases(folder, dbs) != talvesso::TOpenResult::Ok)
    return Fail("cannot open the databases");
  talvesso::TServerConfig stored;
  talvesso::LoadServerConfig(dbs.DB, stored);  // makes the row when there is none
  talvesso::SaveServerConfig(dbs.DB, config);
  const auto existing = talvesso::LoadFolderRows(dbs.DB);
  for (const auto& [shareName, path] : shares) {
    bool known = false;
    for (const auto& row : existing) known |= row.Path == path;
    if (known) continue;
    talvesso::TShareFolderNodeData row;
    row.Name = shareName;
    row.Path = path;
    row.Use = row.Search = 1;
    talvesso::InsertFolderRow(dbs.DB, row);
  }
  return 0;
}
