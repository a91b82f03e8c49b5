#include "fileserver/check_port.h"

#include <asio/io_context.hpp>
#include <asio/ip/v6_only.hpp>

#include "fileserver/listen_socket.h"
#include "fileserver/protocol_words.h"

namespace talvesso {

namespace {

bool ShouldTryIpv4(const std::error_code& ec) {
  // A taken or forbidden port stays an error; anything else means IPv6 is not usable here.
  return ec != std::errc::address_in_use && ec != std::errc::permission_denied;
}

std::error_code TryOpen(asio::ip::tcp::acceptor& acceptor, const asio::ip::tcp::endpoint& at,
                        int backlog, bool dualStack) {
  std::error_code ec, ignored;
  acceptor.open(at.protocol(), ec);
  if (ec) return ec;
  acceptor.set_option(asio::socket_base::reuse_address(true), ignored);
  if (dualStack) acceptor.set_option(asio::ip::v6_only(false), ec);
  if (!ec) acceptor.bind(at, ec);
  if (!ec) acceptor.listen(backlog, ec);
  if (ec) acceptor.close(ignored);
  return ec;
}

}  // namespace

std::error_code OpenListener(asio::ip::tcp::acceptor& acceptor, int port, int backlog) {
  if (port < 0 || port > 65535) return std::make_error_code(std::errc::invalid_argument);
  const auto portNumber = static_cast<unsigned short>(port);
  std::error_code ec =
      TryOpen(acceptor, {asio::ip::tcp::v6(), portNumber}, backlog, /*dualStack=*/true);
  if (ec && ShouldTryIpv4(ec))
    ec = TryOpen(acceptor, {asio::ip::tcp::v4(), portNumber}, backlog, /*dualStack=*/false);
  return ec;
}

int CheckPort(int port, std::string* error) {
  asio::io_context io;
  asio::ip::tcp::acceptor acceptor(io);
  std::error_code ec = OpenListener(acceptor, port, protocol::kListenBacklog);
  if (ec) {
    if (error) *error = ec.message();
    return -1;
  }
  auto local = acceptor.local_endpoint(ec);
  std::error_code ignored;
  acceptor.close(ignored);
  if (ec) {
    if (error) *error = ec.message();
    return -1;
  }
  return local.port();
}

}  // namespace talvesso
