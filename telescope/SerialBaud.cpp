// The termios2 interface, alone in its file: its header clashes with the C
// library's <termios.h>, and only it takes a rate that has no B constant.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace velumbra {

int setTermiosBaud(int fd, int baudRate)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return errno;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_cflag &= ~(CBAUD << IBSHIFT); // input at the output rate
    t.c_ospeed = baudRate;
    t.c_ispeed = baudRate;
    if (ioctl(fd, TCSETS2, &t) != 0) return errno;
    return 0;
}

int termiosBaud(int fd, int& baudRate)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return errno;
    baudRate = int(t.c_ospeed);
    return 0;
}

} // namespace velumbra
