#include "processing/JpegSize.h"
#include "core/ImageBuffers.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <vector>

#include <jpeglib.h>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "a 32-bit QImage row is read as blue, green, red, unused");

namespace velumbra {

// libjpeg asks its memory manager for the work memory of each image and
// gives it all back when the image ends. The manager's image pool is
// served here from one arena kept between images; the permanent pool (the
// encoder's tables) stays with libjpeg. An image that needs more than the
// arena holds takes the rest from libjpeg's own allocator, and the arena
// grows before the next image.
struct JpegSizer::Encoder {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    std::jmp_buf failed{};
    jpeg_destination_mgr destination{};
    std::array<JOCTET, 16384> outBuffer{};
    std::size_t counted = 0;
    std::array<JSAMPROW, kMaxFrameHeight> rows{};

    jpeg_memory_mgr libjpegMemory{}; // the manager's own entries
    std::vector<unsigned char> arena;
    std::size_t arenaUsed = 0;
    std::size_t arenaWanted = 0; // what the image asked for so far, served here or not
    long heapBlocks = 0;

    static constexpr std::size_t kAlign = 32; // libjpeg-turbo's SIMD alignment

    static Encoder& of(j_common_ptr c) { return *static_cast<Encoder*>(c->client_data); }
    static Encoder& of(j_compress_ptr c) { return *static_cast<Encoder*>(c->client_data); }

    Encoder()
    {
        cinfo.err = jpeg_std_error(&errors);
        errors.error_exit = [](j_common_ptr c) { std::longjmp(of(c).failed, 1); };
        errors.output_message = [](j_common_ptr) {}; // warnings are not the user's concern
        cinfo.client_data = this;
        jpeg_create_compress(&cinfo);

        destination.init_destination = [](j_compress_ptr c) { of(c).restartOutput(); };
        destination.empty_output_buffer = [](j_compress_ptr c) -> boolean {
            Encoder& e = of(c);
            e.counted += e.outBuffer.size();
            e.restartOutput();
            return TRUE;
        };
        destination.term_destination = [](j_compress_ptr c) {
            Encoder& e = of(c);
            e.counted += e.outBuffer.size() - e.destination.free_in_buffer;
        };
        cinfo.dest = &destination;

        libjpegMemory = *cinfo.mem;
        cinfo.mem->alloc_small = &allocSmall;
        cinfo.mem->alloc_large = &allocLarge;
        cinfo.mem->alloc_sarray = &allocSampleArray;
        cinfo.mem->alloc_barray = &allocBlockArray;
        cinfo.mem->free_pool = &freePool;
    }

    ~Encoder() { jpeg_destroy_compress(&cinfo); }

    void restartOutput()
    {
        destination.next_output_byte = outBuffer.data();
        destination.free_in_buffer = outBuffer.size();
    }

    // Image-pool memory from the arena, or nullptr when it has no room left.
    void* fromArena(std::size_t size)
    {
        const std::size_t start = (arenaUsed + kAlign - 1) / kAlign * kAlign;
        arenaWanted += (size + kAlign - 1) / kAlign * kAlign;
        if (start + size > arena.size()) return nullptr;
        arenaUsed = start + size;
        return arena.data() + start;
    }

    static void* allocSmall(j_common_ptr c, int pool, std::size_t size)
    {
        Encoder& e = of(c);
        if (pool == JPOOL_IMAGE)
            if (void* p = e.fromArena(size)) return p;
        ++e.heapBlocks;
        return e.libjpegMemory.alloc_small(c, pool, size);
    }

    static void* allocLarge(j_common_ptr c, int pool, std::size_t size)
    {
        Encoder& e = of(c);
        if (pool == JPOOL_IMAGE)
            if (void* p = e.fromArena(size)) return p;
        ++e.heapBlocks;
        return e.libjpegMemory.alloc_large(c, pool, size);
    }

    // Row pointers, then rows padded to the alignment, in one block.
    static void* rowsBlock(j_common_ptr c, int pool, std::size_t rowBytes, JDIMENSION rowCount, void** firstRow)
    {
        rowBytes = (rowBytes + kAlign - 1) / kAlign * kAlign;
        const std::size_t pointers = (std::size_t(rowCount) * sizeof(void*) + kAlign - 1) / kAlign * kAlign;
        auto* block = static_cast<unsigned char*>(allocLarge(c, pool, pointers + rowBytes * rowCount));
        *firstRow = block + pointers;
        return block;
    }

    static JSAMPARRAY allocSampleArray(j_common_ptr c, int pool, JDIMENSION samplesPerRow, JDIMENSION rowCount)
    {
        const std::size_t rowBytes = (std::size_t(samplesPerRow) * sizeof(JSAMPLE) + kAlign - 1) / kAlign * kAlign;
        void* first = nullptr;
        auto array = static_cast<JSAMPARRAY>(rowsBlock(c, pool, rowBytes, rowCount, &first));
        for (JDIMENSION r = 0; r < rowCount; ++r)
            array[r] = reinterpret_cast<JSAMPROW>(static_cast<unsigned char*>(first) + r * rowBytes);
        return array;
    }

    static JBLOCKARRAY allocBlockArray(j_common_ptr c, int pool, JDIMENSION blocksPerRow, JDIMENSION rowCount)
    {
        const std::size_t rowBytes = (std::size_t(blocksPerRow) * sizeof(JBLOCK) + kAlign - 1) / kAlign * kAlign;
        void* first = nullptr;
        auto array = static_cast<JBLOCKARRAY>(rowsBlock(c, pool, rowBytes, rowCount, &first));
        for (JDIMENSION r = 0; r < rowCount; ++r)
            array[r] = reinterpret_cast<JBLOCKROW>(static_cast<unsigned char*>(first) + r * rowBytes);
        return array;
    }

    static void freePool(j_common_ptr c, int pool)
    {
        Encoder& e = of(c);
        e.libjpegMemory.free_pool(c, pool);
        if (pool != JPOOL_IMAGE) return;
        e.arenaUsed = 0;
        // Room for what the image needed, and a little over, so the next
        // image of this size takes nothing from the heap.
        if (e.arenaWanted > e.arena.size()) e.arena.resize(e.arenaWanted + e.arenaWanted / 8);
        e.arenaWanted = 0;
    }

    // Kept apart from any object with a destructor: a failure jumps back here.
    bool encode(int width, int height, int quality)
    {
        if (setjmp(failed) != 0) {
            jpeg_abort_compress(&cinfo);
            return false;
        }
        cinfo.image_width = JDIMENSION(width);
        cinfo.image_height = JDIMENSION(height);
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_EXT_BGRX;
        // The encoder's defaults for a colour image: YCbCr, chroma halved
        // both ways, as any JPEG of the 24-bit frame would be written.
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, quality, TRUE);
        counted = 0;
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height)
            jpeg_write_scanlines(&cinfo, rows.data() + cinfo.next_scanline, cinfo.image_height - cinfo.next_scanline);
        jpeg_finish_compress(&cinfo);
        return true;
    }
};

JpegSizer::JpegSizer() = default;
JpegSizer::~JpegSizer() = default;

std::optional<std::size_t> JpegSizer::encodedSize(const QImage& image, int width, int height, int quality)
{
    if (image.isNull() || image.depth() != 32 || width <= 0 || height <= 0 || width > image.width() ||
        height > image.height() || height > kMaxFrameHeight)
        return std::nullopt;
    if (!encoder_) encoder_ = std::make_unique<Encoder>();
    for (int y = 0; y < height; ++y)
        encoder_->rows[size_t(y)] = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(image.constScanLine(y)));
    if (!encoder_->encode(width, height, std::clamp(quality, 1, 100))) return std::nullopt;
    return encoder_->counted;
}

long JpegSizer::heapBlocks() const { return encoder_ ? encoder_->heapBlocks : 0; }

} // namespace velumbra
