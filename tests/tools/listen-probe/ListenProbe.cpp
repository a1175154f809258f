// Listens on 127.0.0.1 on a free port, prints "Listening on PORT", then a
// line "Connection" for every connection, which it closes at once. The
// end-to-end tests name it as a proxy that nothing may reach: a single
// line after the first is a failure, whatever was sent.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int main() {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 16) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("listen-probe");
    return 1;
  }
  std::printf("Listening on %d\n", ntohs(address.sin_port));
  std::fflush(stdout);
  for (;;) {
    const int connection = ::accept(listener, nullptr, nullptr);
    if (connection < 0) {
      if (errno == EINTR) continue;
      std::perror("listen-probe");
      return 1;
    }
    std::printf("Connection\n");
    std::fflush(stdout);
    ::close(connection);
  }
}
