// The two seams between the archive core and the world: where archive bytes come from
// and where an entry's bytes go. The Windows file layer implements them over files, the
// fuzzer and the tests over memory.
#pragma once

#include <cstddef>
#include <cstdint>

// Random-access archive bytes.
class CZipSource {
public:
    virtual ~CZipSource() = default;
    // Total size in bytes.
    virtual uint64_t Size() = 0;
    // Reads up to `n` bytes at `offset` into `buffer`. Returns the count read (fewer
    // than `n` only at the end of the source), or -1 on a read error.
    virtual int64_t Read(uint64_t offset, void* buffer, size_t n) = 0;
};

// Receives one entry's uncompressed bytes in order.
class CZipSink {
public:
    virtual ~CZipSink() = default;
    // Returns false when the bytes could not be taken; extraction then stops.
    virtual bool Write(const void* data, size_t n) = 0;
};

// An archive held in memory (tests, fuzzing).
class CZipMemorySource : public CZipSource {
public:
    CZipMemorySource(const void* data, size_t size)
        : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    uint64_t Size() override { return size_; }
    int64_t Read(uint64_t offset, void* buffer, size_t n) override;

private:
    const unsigned char* data_;
    size_t size_;
};
