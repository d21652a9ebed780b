#include "acquisition/V4l2Queue.h"

namespace velumbra {

void chooseFreshBuffer(const std::vector<FilledBuffer>& filled, size_t bufferCount, BufferChoice& choice)
{
    choice.use.reset();
    choice.requeue.clear();
    const bool starved = bufferCount > 0 && filled.size() >= bufferCount;
    const FilledBuffer* newest = nullptr;
    for (const FilledBuffer& b : filled)
        if (!b.error && !starved && (!newest || b.timestampUs >= newest->timestampUs)) newest = &b;
    for (const FilledBuffer& b : filled)
        if (&b != newest) choice.requeue.push_back(b.index);
    if (newest) choice.use = newest->index;
}

} // namespace velumbra
