// The stand-in's home page: who is a member, what they hold, who shares what, what moved.
#include <sstream>

#include "backend_state.h"

namespace talvesso::devbackend {

namespace {

std::string Html(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Cell(const nlohmann::json& value) {
  return "<td>" + Html(value.is_string() ? value.get<std::string>() : value.dump()) + "</td>";
}

constexpr size_t kCatalogueLinesShown = 50;

}  // namespace

std::string TBackendState::HomePage() const {
  nlohmann::json state = StateJson();
  std::ostringstream page;
  page << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>devbackend</title>"
          "<style>body{font-family:sans-serif}table{border-collapse:collapse;margin-bottom:1em}"
          "td,th{border:1px solid #999;padding:2px 6px}</style></head><body>\n"
       << "<h1>Veltomar stand-in backend</h1>\n<p>Newest build " << Options_.NewestBuild
       << ", cost values " << Options_.CostValue1 << " / " << Options_.CostValue2
       << ", download start " << Options_.DownloadCost << " points.</p>\n";

  page << "<h2>Members</h2>\n<table><tr><th>ID</th><th>Member no.</th><th>Points</th></tr>\n";
  for (const auto& m : state["members"])
    page << "<tr>" << Cell(m["id"]) << Cell(m["pno"]) << Cell(m["points"]) << "</tr>\n";
  page << "</table>\n";

  page << "<h2>Servers online</h2>\n<table><tr><th>Member no.</th><th>Owner</th><th>Name</th>"
          "<th>Port</th><th>Bytes/s</th><th>Last heard</th><th>Catalogue</th></tr>\n";
  for (const auto& s : state["servers"]) {
    if (!s["online"].get<bool>()) continue;
    std::string key = std::to_string(s["pno"].get<int>());
    std::string catalogue = "none";
    if (state["catalogues"].contains(key))
      catalogue = std::to_string(state["catalogues"][key]["entries"].size()) + " entries";
    page << "<tr>" << Cell(s["pno"]) << Cell(s["owner"]) << Cell(s["name"]) << Cell(s["port"])
         << Cell(s["bps"]) << Cell(s["last_seen"]) << Cell(catalogue) << "</tr>\n";
  }
  page << "</table>\n";

  page << "<h2>Catalogues</h2>\n";
  for (const auto& [pno, c] : state["catalogues"].items()) {
    page << "<h3>Member no. " << Html(pno) << " (" << c["bytes"] << " bytes, "
         << Html(c["stored_at"].get<std::string>()) << ")</h3>\n<table><tr><th>No</th>"
         << "<th>Parent</th><th>Type</th><th>Path</th><th>Name</th><th>Size</th><th>Adult</th>"
         << "<th>Use</th><th>Search</th></tr>\n";
    size_t shown = 0;
    for (const auto& e : c["entries"]) {
      if (shown++ == kCatalogueLinesShown) break;
      page << "<tr>" << Cell(e["no"]) << Cell(e["parent"]) << Cell(e["type"]) << Cell(e["path"])
           << Cell(e["name"]) << Cell(e["size"]) << Cell(e["adult"]) << Cell(e["use"])
           << Cell(e["search"]) << "</tr>\n";
    }
    page << "</table>\n";
  }

  page << "<h2>Recent transfers</h2>\n<table><tr><th>Started</th><th>UID</th><th>Server</th>"
          "<th>Downloader</th><th>File no.</th><th>Resumed</th><th>State</th><th>MiB</th>"
          "<th>Points moved</th></tr>\n";
  const auto& transfers = state["transfers"];
  for (auto it = transfers.rbegin(); it != transfers.rend(); ++it) {
    const auto& t = *it;
    page << "<tr>" << Cell(t["started"]) << Cell(t["uid"]) << Cell(t["server_id"])
         << Cell(t["user_id"]) << Cell(t["file_pno"]) << Cell(t["resumed"]) << Cell(t["state"])
         << Cell(t["packets"]) << Cell(t["points_moved"]) << "</tr>\n";
  }
  page << "</table>\n</body></html>\n";
  return page.str();
}

}  // namespace talvesso::devbackend
