#pragma once
#include "acquisition/V4l2Formats.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace velumbra {

// The system calls the webcam driver makes, one to one: libv4l2 on a real
// device, a scripted device in tests. Failures return -1 (MAP_FAILED for
// map) with errno set, as the system does.
class V4l2Io {
public:
    virtual ~V4l2Io() = default;
    virtual int open(const QString& path) = 0;
    virtual void close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void* map(int fd, size_t length, int64_t offset) = 0;
    virtual void unmap(void* start, size_t length) = 0;
    // Waits at most timeoutMs for a filled buffer; revents as poll() gives them.
    virtual int poll(int fd, int timeoutMs, short& revents) = 0;
    virtual std::unique_ptr<FrameConverter> converter(int fd) = 0;
};

// libv4l2 with its own conversion off: frames are decoded by FrameConverter.
class LibV4l2Io final : public V4l2Io {
public:
    int open(const QString& path) override;
    void close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    void* map(int fd, size_t length, int64_t offset) override;
    void unmap(void* start, size_t length) override;
    int poll(int fd, int timeoutMs, short& revents) override;
    std::unique_ptr<FrameConverter> converter(int fd) override;
};

} // namespace velumbra
