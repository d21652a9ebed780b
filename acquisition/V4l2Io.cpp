#include "acquisition/V4l2Io.h"

#include <cerrno>
#include <fcntl.h>
#include <libv4l2.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace velumbra {

int LibV4l2Io::open(const QString& path)
{
    const int raw = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
    if (raw < 0) return -1;
    const int fd = v4l2_fd_open(raw, V4L2_DISABLE_CONVERSION);
    if (fd < 0) {
        const int error = errno;
        ::close(raw);
        errno = error;
    }
    return fd;
}

void LibV4l2Io::close(int fd) { v4l2_close(fd); }

int LibV4l2Io::ioctl(int fd, unsigned long request, void* arg) { return v4l2_ioctl(fd, request, arg); }

void* LibV4l2Io::map(int fd, size_t length, int64_t offset)
{
    return v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
}

void LibV4l2Io::unmap(void* start, size_t length) { v4l2_munmap(start, length); }

int LibV4l2Io::poll(int fd, int timeoutMs, short& revents)
{
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, timeoutMs);
    revents = p.revents;
    return r;
}

std::unique_ptr<FrameConverter> LibV4l2Io::converter(int fd) { return std::make_unique<FrameConverter>(fd); }

} // namespace velumbra
