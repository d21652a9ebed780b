#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velumbra {

// A buffer the camera filled, as taken from its queue.
struct FilledBuffer {
    uint32_t index = 0;
    int64_t timestampUs = 0; // when the camera took it
    bool error = false;      // the driver marks the frame damaged
};

// Which filled buffer to decode, and which go back to the camera at once.
struct BufferChoice {
    std::optional<uint32_t> use;
    std::vector<uint32_t> requeue;
};

// The freshest frame of those taken from the queue in one go. When every
// buffer was full, the camera had nowhere to put its frames and dropped
// them since: even the newest has waited, so all go back and the grab waits
// for the next frame.
// choice is filled in place, so a grab allocates nothing.
void chooseFreshBuffer(const std::vector<FilledBuffer>& filled, size_t bufferCount, BufferChoice& choice);

} // namespace velumbra
