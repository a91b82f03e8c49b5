// Runs the file server on its own for the benchmark: shares one folder, registers every
// download with the stand-in backend over HTTP, and serves until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fileserver/prSvrModule.h"
#include "webclient/service_api.h"

namespace {

constexpr const char* kUsage =
    "usage: fileserver_harness --root DIR --backend URL [--port N] [--user ID]\n"
    "Serves files under DIR with the agent's file server; prints \"listening on PORT\".\n"
    "URL is the backend base address (e.g. the devbackend's http://127.0.0.1:PORT/).\n";

}  // namespace

int main(int argc, char** argv) {
  std::string root, backendUrl, user = "owner";
  int port = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string arg = argv[i];
    if (arg == "--root")
      root = argv[i + 1];
    else if (arg == "--backend")
      backendUrl = argv[i + 1];
    else if (arg == "--port")
      port = std::atoi(argv[i + 1]);
    else if (arg == "--user")
      user = argv[i + 1];
  }
  if (root.empty() || backendUrl.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // Block the stop signals before any thread starts, then wait for one of them.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  talvesso::TSettings settings;
  settings.Update([&](talvesso::TServerConfig& c) {
    c.UserID = user;
    c.MaxConn = 50;
    c.CostValue1 = 16;
    c.CostValue2 = 1;
  });
  talvesso::TServiceApi backend(backendUrl);
  talvesso::TSvrModule server(settings, backend, nullptr);
  server.SetSharedRoots({root});
  if (server.StartListener(port, 0) != talvesso::kListenStarted) {
    std::fprintf(stderr, "fileserver_harness: cannot listen on %d\n", port);
    return 1;
  }
  std::printf("listening on %d\n", server.LocalPort());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  server.StopListener();
  return 0;
}
