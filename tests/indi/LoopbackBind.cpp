// Preloaded into the indiserver the tests start: every IPv4 or IPv6 socket
// it binds to an address is bound to the loopback address instead, so the
// test server listens on this computer only.
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

extern "C" int bind(int fd, const sockaddr* address, socklen_t length)
{
    using Bind = int (*)(int, const sockaddr*, socklen_t);
    static const Bind realBind = reinterpret_cast<Bind>(dlsym(RTLD_NEXT, "bind"));
    if (address && address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        sockaddr_in local;
        std::memcpy(&local, address, sizeof local);
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return realBind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    }
    if (address && address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        sockaddr_in6 local;
        std::memcpy(&local, address, sizeof local);
        local.sin6_addr = in6addr_loopback;
        return realBind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    }
    return realBind(fd, address, length);
}
