#include "host/HostBacklog.h"

#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

bool WidenListenBacklog(int port) {
  rlimit files{};
  const int last = getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 65536 ? static_cast<int>(files.rlim_cur)
                                                                                    : 65536;
  bool widened = false;
  for (int fd = 3; fd < last; ++fd) {
    int listening = 0;
    socklen_t size = sizeof listening;
    if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening) continue;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) continue;
    int bound = -1;
    if (address.ss_family == AF_INET) bound = ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6) bound = ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    if (bound == port && listen(fd, SOMAXCONN) == 0) widened = true;
  }
  return widened;
}
