// devbackend: the stand-in for the Veltomar web backend, on loopback, for tests and the demo.
#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "backend_state.h"
#include "common/cp949.h"
#include "installer_blob.h"
#include "request_log.h"

using namespace talvesso::devbackend;

namespace {

constexpr const char* kHelp = R"(usage: devbackend [options]

The stand-in for the Veltomar web backend. Listens on 127.0.0.1 only; the first line on
standard output is "devbackend listening on http://127.0.0.1:<port>/".

Options:
  --port N            port to listen on; 0 picks a free one (default 8080)
  --data FILE         members, one per line: "id password pno points" (UTF-8;
                      blank lines and lines starting with # are skipped)
  --member ID:PASSWORD:PNO:POINTS
                      one more member (repeatable)
  --newest-build N    build number get_server_ver.php answers (default 170)
  --cost A,B          the two cost values of get_cost.php (default 16,1)
  --download-cost N   points a download start costs (default 10)
  --store DIR         keep uploaded catalogues as DIR/fshare_<pno>.txt; installer
                      files server_setupNNN.zip are served from DIR when present
  --no-installer      server_setupNNN.zip answers 404 for every build (a newer build
                      announced before its installer is up)
  --mode M            normal, slow (answers after --slow-ms) or broken (answers
                      garbage without markers); switch at run time with /_mode?mode=M
  --slow-ms N         delay of the slow mode (default 3000)
  --help              this text

Points:
  set_down_start.php charges the downloading member --download-cost points and
  gives them to the server's owner; a member holding fewer gets NOT_MONEY. A
  resumed download (PacketCnt=-1) starts free. set_cost.php then moves
  packet_cnt x B points (B = second cost value, per whole MiB sent) from the
  downloader to the owner, at most what the downloader still holds; a report
  (matched by uid, server_id and user_id) settles its download once, packet_cnt
  -1 moves nothing.

Pages: "/" members, balances, servers, catalogues, transfers (HTML);
"/_log" every request as JSON; "/_state" the state as JSON; "/_mode?mode=M".
)";

enum class TMode { Normal, Slow, Broken };

std::optional<TMode> ParseMode(const std::string& text) {
  if (text == "normal") return TMode::Normal;
  if (text == "slow") return TMode::Slow;
  if (text == "broken") return TMode::Broken;
  return std::nullopt;
}

template <class T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<TMember> ParseMember(const std::vector<std::string>& parts) {
  if (parts.size() != 4) return std::nullopt;
  auto pno = ParseNumber<int32_t>(parts[2]);
  auto points = ParseNumber<int64_t>(parts[3]);
  if (parts[0].empty() || !pno || !points) return std::nullopt;
  return TMember{parts[0], parts[1], *pno, *points};
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

bool LoadMembers(const std::string& file, std::vector<TMember>& members) {
  std::ifstream in(file);
  if (!in) {
    std::cerr << "devbackend: cannot read " << file << "\n";
    return false;
  }
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
    std::istringstream fields(line);
    std::vector<std::string> parts;
    for (std::string f; fields >> f;) parts.push_back(f);
    auto member = ParseMember(parts);
    if (!member) {
      std::cerr << "devbackend: " << file << ":" << lineNo << ": want \"id password pno points\"\n";
      return false;
    }
    members.push_back(*member);
  }
  return true;
}

struct TConfig {
  int Port = 8080;
  TBackendOptions Options;
  std::vector<TMember> Members;
  TMode Mode = TMode::Normal;
  int SlowMs = 3000;
  bool NoInstaller = false;
};

// nullopt: the process should end with `exitCode`.
std::optional<TConfig> ParseArgs(int argc, char** argv, int& exitCode) {
  TConfig config;
  exitCode = 2;
  auto fail = [&](const std::string& why) -> std::optional<TConfig> {
    std::cerr << "devbackend: " << why << "\n(see --help)\n";
    return std::nullopt;
  };
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      exitCode = 0;
      return std::nullopt;
    }
    if (arg == "--no-installer") {
      config.NoInstaller = true;
      continue;
    }
    if (i + 1 >= argc) return fail("missing value after " + arg);
    std::string value = argv[++i];
    if (arg == "--port") {
      auto port = ParseNumber<int>(value);
      if (!port || *port < 0 || *port > 65535) return fail("bad port " + value);
      config.Port = *port;
    } else if (arg == "--data") {
      if (!LoadMembers(value, config.Members)) return std::nullopt;
    } else if (arg == "--member") {
      auto member = ParseMember(Split(value, ':'));
      if (!member) return fail("want --member ID:PASSWORD:PNO:POINTS, got " + value);
      config.Members.push_back(*member);
    } else if (arg == "--newest-build") {
      auto build = ParseNumber<int32_t>(value);
      if (!build) return fail("bad build number " + value);
      config.Options.NewestBuild = *build;
    } else if (arg == "--cost") {
      auto parts = Split(value, ',');
      auto a = parts.size() == 2 ? ParseNumber<int32_t>(parts[0]) : std::nullopt;
      auto b = parts.size() == 2 ? ParseNumber<int32_t>(parts[1]) : std::nullopt;
      if (!a || !b) return fail("want --cost A,B, got " + value);
      config.Options.CostValue1 = *a;
      config.Options.CostValue2 = *b;
    } else if (arg == "--download-cost") {
      auto cost = ParseNumber<int64_t>(value);
      if (!cost || *cost < 0) return fail("bad download cost " + value);
      config.Options.DownloadCost = *cost;
    } else if (arg == "--store") {
      std::error_code ec;
      std::filesystem::create_directories(value, ec);
      if (!std::filesystem::is_directory(value)) return fail("cannot use store folder " + value);
      config.Options.StoreDir = value;
    } else if (arg == "--mode") {
      auto mode = ParseMode(value);
      if (!mode) return fail("bad mode " + value);
      config.Mode = *mode;
    } else if (arg == "--slow-ms") {
      auto ms = ParseNumber<int>(value);
      if (!ms || *ms < 0) return fail("bad --slow-ms " + value);
      config.SlowMs = *ms;
    } else {
      return fail("unknown option " + arg);
    }
  }
  return config;
}

std::string Param(const httplib::Request& request, const char* name) {
  return request.has_param(name) ? ReceivedText(request.get_param_value(name)) : std::string();
}

int64_t IntParam(const std::string& text) { return ParseNumber<int64_t>(text).value_or(0); }

std::string FormField(const httplib::Request& request, const char* name) {
  return request.has_file(name) ? request.get_file_value(name).content : std::string();
}

std::string LastComponent(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The agent's endpoints, by script name (any folder in front of it is ignored).
std::optional<std::string> Endpoint(TBackendState& state, const httplib::Request& request,
                                    const std::string& script) {
  if (script == "get_server_ver.php") return state.ServerVersion();
  if (script == "login_user.php")
    return state.Login(Param(request, "user_id"), Param(request, "user_pass"));
  if (script == "get_point.php") return state.Points(Param(request, "user_id"));
  if (script == "get_cost.php") return state.Cost();
  if (script == "set_server_status.php")
    return state.ServerStatus(static_cast<int32_t>(IntParam(Param(request, "user_pno"))),
                              static_cast<int32_t>(IntParam(Param(request, "port"))),
                              static_cast<int>(IntParam(Param(request, "status"))),
                              ReceivedText(FormField(request, "server_name")));
  if (script == "set_server_watchdog.php")
    return state.Watchdog(static_cast<int32_t>(IntParam(Param(request, "user_pno"))),
                          IntParam(Param(request, "server_bps")));
  if (script == "set_down_start.php")
    return state.DownStart(IntParam(Param(request, "file_pno")), Param(request, "server_id"),
                           Param(request, "user_id"), Param(request, "uid"),
                           Param(request, "PacketCnt") == "-1");
  if (script == "set_cost.php")
    return state.ReportVolume(
        ReceivedText(FormField(request, "server_id")), ReceivedText(FormField(request, "user_id")),
        IntParam(FormField(request, "packet_cnt")), IntParam(FormField(request, "server_bps")),
        IntParam(FormField(request, "file_pno")), ReceivedText(FormField(request, "uid")));
  if (script == "save_share_files.php") {
    const std::string* file = nullptr;
    std::string content;
    if (request.has_file("file1")) {
      content = request.get_file_value("file1").content;
      file = &content;
    }
    return state.SaveCatalogue(static_cast<int32_t>(IntParam(Param(request, "user_pno"))), file);
  }
  return std::nullopt;
}

std::optional<int> InstallerBuild(const std::string& script) {
  const std::string prefix = "server_setup", suffix = ".zip";
  if (script.size() <= prefix.size() + suffix.size() || script.rfind(prefix, 0) != 0 ||
      script.compare(script.size() - suffix.size(), suffix.size(), suffix) != 0)
    return std::nullopt;
  return ParseNumber<int>(std::string_view(script).substr(
      prefix.size(), script.size() - prefix.size() - suffix.size()));
}

std::string Dump(const nlohmann::json& json) {
  return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

int main(int argc, char** argv) {
  int exitCode = 0;
  auto config = ParseArgs(argc, argv, exitCode);
  if (!config) return exitCode;

  // SIGTERM and SIGINT are taken by a thread of their own, which stops the server cleanly.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  TBackendState state(config->Options, config->Members);
  TRequestLog log;
  std::atomic<TMode> mode{config->Mode};
  const int slowMs = config->SlowMs;
  httplib::Server server;

  // Logged just before the answer goes out (not after, as the logger hook would), so a client
  // that has its answer always finds its request in the log. The pages tests read to look at
  // the log and the state do not enter it themselves.
  server.set_post_routing_handler([&](const httplib::Request& request, httplib::Response& response) {
    if (request.path != "/_log" && request.path != "/_state") log.Add(request, response);
  });

  server.Get("/", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(state.HomePage(), "text/html; charset=utf-8");
  });
  server.Get("/_log", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(Dump(log.Json()), "application/json");
  });
  server.Get("/_state", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(Dump(state.StateJson()), "application/json");
  });
  server.Get("/_mode", [&](const httplib::Request& request, httplib::Response& response) {
    auto wanted = ParseMode(request.get_param_value("mode"));
    if (!wanted) {
      response.status = 400;
      response.set_content("mode must be normal, slow or broken\n", "text/plain");
      return;
    }
    mode = *wanted;
    response.set_content("mode " + request.get_param_value("mode") + "\n", "text/plain");
  });

  auto serveAgent = [&](const httplib::Request& request, httplib::Response& response) {
    std::string script = LastComponent(request.path);
    TMode now = mode.load();
    if (now == TMode::Slow) std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
    if (now == TMode::Broken) {
      response.set_content(
          "<html><body>Service Unavailable: ora-03113 end-of-file on "
          "communication channel</body></html>\r\n",
          "text/html");
      return;
    }
    if (auto build = InstallerBuild(script)) {
      std::filesystem::path stored =
          std::filesystem::path(config->Options.StoreDir.empty() ? "." : config->Options.StoreDir) /
          script;
      if (config->NoInstaller) {
        response.status = 404;
        response.set_content("no such installer\n", "text/plain");
      } else if (!config->Options.StoreDir.empty() && std::filesystem::is_regular_file(stored)) {
        std::ifstream in(stored, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        response.set_content(bytes, "application/zip");
      } else if (*build == config->Options.NewestBuild) {
        response.set_content(MakeInstallerBlob(*build), "application/zip");
      } else {
        response.status = 404;
        response.set_content("no such installer\n", "text/plain");
      }
      return;
    }
    auto answer = Endpoint(state, request, script);
    if (!answer) {
      response.status = 404;
      response.set_content("no such script\n", "text/plain");
      return;
    }
    // The backend's answers are text in the Korean code page.
    response.set_content(*answer, "text/html; charset=euc-kr");
  };
  server.Get(R"(/.+)", serveAgent);
  server.Post(R"(/.+)", serveAgent);

  int port = config->Port == 0
                 ? server.bind_to_any_port("127.0.0.1")
                 : (server.bind_to_port("127.0.0.1", config->Port) ? config->Port : -1);
  if (port <= 0) {
    std::cerr << "devbackend: cannot listen on 127.0.0.1:" << config->Port << "\n";
    return 1;
  }
  std::printf("devbackend listening on http://127.0.0.1:%d/\n", port);
  std::fflush(stdout);

  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
  });
  stopper.detach();
  server.listen_after_bind();
  return 0;
}
