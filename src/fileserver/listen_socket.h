// Listening sockets of the file server and of the port check.
#pragma once

#include <asio/ip/tcp.hpp>
#include <system_error>

namespace talvesso {

// Opens `acceptor` on `port` (0: the system picks one) on every local address: one IPv6
// socket that also takes IPv4 connections (dual stack), or IPv4 alone where the system has no
// IPv6. Address reuse is on, so a restart is not blocked by connections still closing.
std::error_code OpenListener(asio::ip::tcp::acceptor& acceptor, int port, int backlog);

}  // namespace talvesso
