// The archive core: finds the central directory, describes entries and inflates their
// data. It reads only through a CZipSource and writes only through a CZipSink, so it
// knows nothing of files or of the operating system and runs natively under the
// sanitizers and the fuzzer.
#pragma once

#include <cstdint>

#include <zlib.h>

#include "zip/zip_io.h"
#include "zip/zip_result.h"

// One entry as the callers see it.
struct ZipEntryInfo {
    int32_t index;        // entry number; for the query with index -1, the count
    wchar_t name[260];    // decoded, sanitised path, NUL-terminated
    uint32_t attributes;  // 0x01 read-only, 0x02 hidden, 0x04 system, 0x10 folder, 0x20 archive
    uint64_t accessTime;  // Windows file times (100 ns since 1601), UTC
    uint64_t creationTime;
    uint64_t writeTime;
    int32_t compressedSize;  // from the central directory
    int32_t uncompressedSize;
};

// Size of each of the two transfer buffers (compressed in, uncompressed out).
const size_t kZipBufferSize = 16384;

class CZipArchive {
public:
    // Turns a file time read as local time into UTC; the identity when not given.
    typedef uint64_t (*LocalToUtcFn)(uint64_t localFileTime);

    // `source` is not owned and must outlive the archive.
    explicit CZipArchive(CZipSource* source, LocalToUtcFn localToUtc = nullptr);
    ~CZipArchive();
    CZipArchive(const CZipArchive&) = delete;
    CZipArchive& operator=(const CZipArchive&) = delete;

    // Locates the end record and the central directory. 0, or 0x200 when the source
    // holds no readable central directory.
    ZipResult Open();

    int Count() const { return count_; }

    // Describes entry `index` (-1: the count only). Clears info's index, first name
    // character and uncompressed size before anything else. 0; 0x10000 for an index
    // out of range or a stored name over the limit; 0x700 for an inconsistent central
    // or local header; 0x800 when the local extra field cannot be read.
    ZipResult Describe(int index, ZipEntryInfo* info);

    // Delivers the uncompressed bytes of entry `index` to `sink`, checking the CRC-32
    // and the size when the entry ends. 0; 0x10000 bad index; 0x1000 encrypted;
    // 0x400 the sink refused bytes; 0x700 CRC or size mismatch; 0x5000000 inconsistent
    // local header, corrupt compressed data or a failed read; 0x300 no memory.
    ZipResult Extract(int index, CZipSink& sink);

private:
    // What the central directory and the local header say about one entry.
    struct Entry {
        int index = -1;
        uint64_t centralPos = 0;
        uint16_t madeBy = 0;
        uint16_t flags = 0;
        uint16_t method = 0;
        uint32_t dosTime = 0;
        uint32_t crc = 0;
        uint32_t compressedSize = 0;
        uint32_t uncompressedSize = 0;
        uint16_t nameLength = 0;
        uint32_t externalAttributes = 0;
        uint64_t localPos = 0;
        uint16_t localExtraLength = 0;
        uint64_t dataPos = 0;
    };

    bool ReadExact(uint64_t offset, void* buffer, size_t n);
    ZipResult GoToEntry(int index);
    ZipResult LoadEntry(int index);
    ZipResult Inflate(CZipSink& sink, uint32_t* crc);
    ZipResult Copy(CZipSink& sink, uint32_t* crc);
    bool EnsureBuffers();

    CZipSource* source_;
    LocalToUtcFn localToUtc_;
    uint64_t size_ = 0;
    uint64_t archiveStart_ = 0;
    uint64_t centralStart_ = 0;
    int count_ = 0;

    // Where stepping through the central directory stands.
    int currentIndex_ = 0;
    uint64_t currentPos_ = 0;

    Entry entry_;
    ZipResult entryResult_ = 0;

    ZipEntryInfo cachedInfo_;
    int cachedIndex_ = -1;

    // Both allocated on the first extraction and kept until the archive goes.
    unsigned char* input_ = nullptr;
    unsigned char* output_ = nullptr;
    z_stream inflater_;
    bool inflaterReady_ = false;
};
