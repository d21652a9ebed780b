#include "bench/JpegReference.h"
#include "simulator/StarField.h"
#include "core/ImageBuffers.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>

namespace velumbra::bench {

const QImage& referenceFrame()
{
    static const QImage frame = [] {
        QImage image(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
        renderStarField(image, kMaxFrameWidth, kMaxFrameHeight, 1234, 120);
        return image;
    }();
    return frame;
}

std::size_t encodeJpeg(const unsigned char* rgb, int width, int height, int quality,
                       std::vector<unsigned char>& out)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&cinfo, &mem, &memSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const int stride = width * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(rgb) + std::size_t(cinfo.next_scanline) * std::size_t(stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    out.assign(mem, mem + memSize);
    std::free(mem);
    return memSize;
}

namespace {

// Reference: baseline JPEG at quality 30 of one 800 x 600 24-bit frame.
void BM_JpegReference(benchmark::State& state)
{
    const QImage rgb = referenceFrame().convertToFormat(QImage::Format_RGB888);
    std::vector<unsigned char> packed(std::size_t(rgb.width()) * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(packed.data() + std::size_t(y) * rgb.width() * 3, rgb.constScanLine(y), std::size_t(rgb.width()) * 3);
    std::vector<unsigned char> out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(encodeJpeg(packed.data(), rgb.width(), rgb.height(), 30, out));
    }
}
BENCHMARK(BM_JpegReference)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench
