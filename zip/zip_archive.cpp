#include "zip/zip_archive.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "zip/zip_name.h"

namespace {

const uint32_t kEndSignature = 0x06054B50;
const uint32_t kCentralSignature = 0x02014B50;
const uint32_t kLocalSignature = 0x04034B50;
const size_t kEndRecordSize = 22;
const size_t kCentralHeaderSize = 46;
const size_t kLocalHeaderSize = 30;
// The end record lies within the last 64 KiB; it is searched backwards in windows that
// overlap by four bytes so that a signature across a window edge is still seen.
const uint64_t kEndSearchLimit = 65535;
const uint64_t kEndSearchStep = 1024;
const size_t kEndSearchWindow = 1028;

const uint16_t kFlagEncrypted = 0x0001;
const uint16_t kFlagDataDescriptor = 0x0008;
const uint16_t kTagExtendedTime = 0x5455;  // "UT"

uint16_t Get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian). Any field values give a
// defined result, so a nonsense DOS date cannot do harm.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

const int64_t kUnixEpochInFileTime = 116444736000000000LL;
const int64_t kTicksPerSecond = 10000000LL;

// The DOS date and time (date in the high half) as a file time, without any zone.
uint64_t DosTimeToFileTime(uint32_t dos) {
    int64_t year = 1980 + (dos >> 25);
    int64_t month = (dos >> 21) & 0x0F;
    int64_t day = (dos >> 16) & 0x1F;
    int64_t hour = (dos >> 11) & 0x1F;
    int64_t minute = (dos >> 5) & 0x3F;
    int64_t second = 2 * (dos & 0x1F);
    int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return static_cast<uint64_t>(seconds * kTicksPerSecond + kUnixEpochInFileTime);
}

uint64_t UnixTimeToFileTime(int32_t t) {
    return static_cast<uint64_t>(static_cast<int64_t>(t) * kTicksPerSecond + kUnixEpochInFileTime);
}

uint32_t MapAttributes(uint16_t madeBy, uint32_t external) {
    const unsigned host = madeBy >> 8;
    // FAT, HPFS, NTFS and VFAT hosts store the Windows attribute bits themselves.
    if (host == 0 || host == 7 || host == 11 || host == 14)
        return external & (0x01 | 0x02 | 0x04 | 0x10 | 0x20);
    // Everyone else stores a Unix mode in the high half: folder bit and owner write bit.
    uint32_t attributes = 0x20;
    if (external & 0x40000000u)
        attributes |= 0x10;
    if (!(external & 0x00800000u))
        attributes |= 0x01;
    return attributes;
}

// Applies the first "UT" block of an extra field: each time present replaces its field.
void ApplyExtendedTime(const unsigned char* extra, size_t length, ZipEntryInfo* info) {
    size_t at = 0;
    while (length - at > 4) {
        const uint16_t tag = Get16(extra + at);
        const size_t size = Get16(extra + at + 2);
        const unsigned char* data = extra + at + 4;
        const size_t available = length - at - 4 < size ? length - at - 4 : size;
        if (tag == kTagExtendedTime) {
            if (available < 1)
                return;
            const unsigned flags = data[0];
            size_t p = 1;
            uint64_t* fields[3] = {&info->writeTime, &info->accessTime, &info->creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit)))
                    continue;
                if (available - p < 4)
                    return;
                *fields[bit] = UnixTimeToFileTime(static_cast<int32_t>(Get32(data + p)));
                p += 4;
            }
            return;
        }
        at += 4 + size;
        if (at >= length)
            return;
    }
}

}  // namespace

int64_t CZipMemorySource::Read(uint64_t offset, void* buffer, size_t n) {
    if (offset >= size_)
        return 0;
    uint64_t left = size_ - offset;
    size_t count = left < n ? static_cast<size_t>(left) : n;
    std::memcpy(buffer, data_ + offset, count);
    return static_cast<int64_t>(count);
}

CZipArchive::CZipArchive(CZipSource* source, LocalToUtcFn localToUtc)
    : source_(source), localToUtc_(localToUtc) {
    std::memset(&cachedInfo_, 0, sizeof cachedInfo_);
    std::memset(&inflater_, 0, sizeof inflater_);
}

CZipArchive::~CZipArchive() {
    if (inflaterReady_)
        inflateEnd(&inflater_);
    std::free(input_);
    std::free(output_);
}

bool CZipArchive::ReadExact(uint64_t offset, void* buffer, size_t n) {
    if (offset > size_ || size_ - offset < n)
        return false;
    return source_->Read(offset, buffer, n) == static_cast<int64_t>(n);
}

ZipResult CZipArchive::Open() {
    size_ = source_->Size();
    if (size_ < kEndRecordSize)
        return kZipNoFile;

    const uint64_t limit = size_ < kEndSearchLimit ? size_ : kEndSearchLimit;
    unsigned char window[kEndSearchWindow];
    uint64_t endPos = 0;
    bool found = false;
    uint64_t back = 4;
    while (!found && back < limit) {
        back = back + kEndSearchStep > limit ? limit : back + kEndSearchStep;
        const uint64_t readPos = size_ - back;
        const size_t readSize = static_cast<size_t>(
            size_ - readPos < kEndSearchWindow ? size_ - readPos : kEndSearchWindow);
        if (!ReadExact(readPos, window, readSize))
            return kZipNoFile;
        for (size_t i = readSize - 3; i-- > 0;) {
            if (Get32(window + i) == kEndSignature) {
                endPos = readPos + i;
                found = true;
                break;
            }
        }
    }
    if (!found)
        return kZipNoFile;

    unsigned char record[kEndRecordSize];
    if (!ReadExact(endPos, record, sizeof record))
        return kZipNoFile;
    const uint16_t thisDisk = Get16(record + 4);
    const uint16_t centralDisk = Get16(record + 6);
    const uint16_t entriesHere = Get16(record + 8);
    const uint16_t entriesTotal = Get16(record + 10);
    const uint32_t centralSize = Get32(record + 12);
    const uint32_t centralOffset = Get32(record + 16);
    if (thisDisk != 0 || centralDisk != 0 || entriesHere != entriesTotal)
        return kZipNoFile;
    if (endPos < static_cast<uint64_t>(centralOffset) + centralSize)
        return kZipNoFile;

    // Whatever stands in front of the archive (a stub program) shifts every offset.
    archiveStart_ = endPos - (static_cast<uint64_t>(centralOffset) + centralSize);
    centralStart_ = archiveStart_ + centralOffset;
    count_ = entriesTotal;
    currentIndex_ = 0;
    currentPos_ = centralStart_;
    entry_ = Entry();
    cachedIndex_ = -1;
    return kZipOk;
}

// Steps through the central directory to `index` and reads its header into entry_.
ZipResult CZipArchive::GoToEntry(int index) {
    unsigned char header[kCentralHeaderSize];
    if (index < currentIndex_) {
        currentIndex_ = 0;
        currentPos_ = centralStart_;
    }
    for (;;) {
        if (!ReadExact(currentPos_, header, sizeof header) || Get32(header) != kCentralSignature)
            return kZipCorrupt;
        if (currentIndex_ == index)
            break;
        currentPos_ +=
            kCentralHeaderSize + Get16(header + 28) + Get16(header + 30) + Get16(header + 32);
        ++currentIndex_;
    }
    Entry e;
    e.index = index;
    e.centralPos = currentPos_;
    e.madeBy = Get16(header + 4);
    e.flags = Get16(header + 8);
    e.method = Get16(header + 10);
    e.dosTime = Get32(header + 12);
    e.crc = Get32(header + 16);
    e.compressedSize = Get32(header + 20);
    e.uncompressedSize = Get32(header + 24);
    e.nameLength = Get16(header + 28);
    e.externalAttributes = Get32(header + 38);
    e.localPos = archiveStart_ + Get32(header + 42);
    entry_ = e;
    return kZipOk;
}

// Reads entry `index` from the central directory and checks its local header against
// it. Remembers the outcome, so describing and then extracting reads both only once.
ZipResult CZipArchive::LoadEntry(int index) {
    if (entry_.index == index)
        return entryResult_;
    entryResult_ = GoToEntry(index);
    if (entryResult_ != kZipOk) {
        entry_ = Entry();
        return entryResult_;
    }
    entry_.index = index;
    entryResult_ = kZipCorrupt;
    unsigned char local[kLocalHeaderSize];
    if (!ReadExact(entry_.localPos, local, sizeof local) || Get32(local) != kLocalSignature)
        return entryResult_;
    const uint16_t localFlags = Get16(local + 6);
    const uint16_t localMethod = Get16(local + 8);
    if (localMethod != entry_.method || (entry_.method != 0 && entry_.method != 8))
        return entryResult_;
    if (!(localFlags & kFlagDataDescriptor) &&
        (Get32(local + 14) != entry_.crc || Get32(local + 18) != entry_.compressedSize ||
         Get32(local + 22) != entry_.uncompressedSize))
        return entryResult_;
    if (Get16(local + 26) != entry_.nameLength)
        return entryResult_;
    entry_.localExtraLength = Get16(local + 28);
    entry_.dataPos =
        entry_.localPos + kLocalHeaderSize + entry_.nameLength + entry_.localExtraLength;
    entryResult_ = kZipOk;
    return entryResult_;
}

ZipResult CZipArchive::Describe(int index, ZipEntryInfo* info) {
    info->index = 0;
    info->name[0] = L'\0';
    info->uncompressedSize = 0;
    if (index == -1) {
        std::memset(info, 0, sizeof *info);
        info->index = count_;
        return kZipOk;
    }
    if (index < -1 || index >= count_)
        return kZipArguments;
    if (index == cachedIndex_) {
        *info = cachedInfo_;
        return kZipOk;
    }

    ZipResult result = LoadEntry(index);
    if (result != kZipOk)
        return result;
    // A longer name would have to be cut, and a cut name is another file.
    if (entry_.nameLength > kZipMaxName)
        return kZipArguments;
    char stored[kZipMaxName + 1];
    if (!ReadExact(entry_.centralPos + kCentralHeaderSize, stored, entry_.nameLength))
        return kZipCorrupt;

    unsigned char* extra = nullptr;
    if (entry_.localExtraLength > 0) {
        extra = static_cast<unsigned char*>(std::malloc(entry_.localExtraLength));
        if (!extra)
            return kZipNoMemory;
        if (!ReadExact(entry_.localPos + kLocalHeaderSize + entry_.nameLength, extra,
                       entry_.localExtraLength)) {
            std::free(extra);
            return kZipReadFailed;
        }
    }

    ZipEntryInfo out;
    std::memset(&out, 0, sizeof out);
    const std::wstring name = SanitiseZipName(DecodeZipName(stored, entry_.nameLength));
    // Never longer than the stored bytes, so it fits.
    std::memcpy(out.name, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    out.attributes = MapAttributes(entry_.madeBy, entry_.externalAttributes);
    uint64_t time = DosTimeToFileTime(entry_.dosTime);
    if (localToUtc_)
        time = localToUtc_(time);
    out.accessTime = out.creationTime = out.writeTime = time;
    if (extra)
        ApplyExtendedTime(extra, entry_.localExtraLength, &out);
    std::free(extra);
    out.compressedSize = static_cast<int32_t>(entry_.compressedSize);
    out.uncompressedSize = static_cast<int32_t>(entry_.uncompressedSize);
    out.index = index;

    cachedInfo_ = out;
    cachedIndex_ = index;
    *info = out;
    return kZipOk;
}

bool CZipArchive::EnsureBuffers() {
    if (!input_)
        input_ = static_cast<unsigned char*>(std::malloc(kZipBufferSize));
    if (!output_)
        output_ = static_cast<unsigned char*>(std::malloc(kZipBufferSize));
    if (!input_ || !output_)
        return false;
    if (!inflaterReady_) {
        std::memset(&inflater_, 0, sizeof inflater_);
        if (inflateInit2(&inflater_, -MAX_WBITS) != Z_OK)
            return false;
        inflaterReady_ = true;
    }
    return true;
}

ZipResult CZipArchive::Extract(int index, CZipSink& sink) {
    if (index < 0 || index >= count_)
        return kZipArguments;
    if (LoadEntry(index) != kZipOk)
        return kZipFlate;
    if (entry_.flags & kFlagEncrypted)
        return kZipPassword;
    if (!EnsureBuffers())
        return kZipNoMemory;
    uint32_t crc = static_cast<uint32_t>(crc32(0, Z_NULL, 0));
    ZipResult result = entry_.method == 8 ? Inflate(sink, &crc) : Copy(sink, &crc);
    if (result != kZipOk)
        return result;
    return crc == entry_.crc ? kZipOk : kZipCorrupt;
}

ZipResult CZipArchive::Copy(CZipSink& sink, uint32_t* crc) {
    if (entry_.compressedSize != entry_.uncompressedSize)
        return kZipCorrupt;
    uint64_t pos = entry_.dataPos;
    uint32_t left = entry_.uncompressedSize;
    while (left > 0) {
        const size_t n = left < kZipBufferSize ? left : kZipBufferSize;
        if (!ReadExact(pos, output_, n))
            return kZipFlate;
        *crc = static_cast<uint32_t>(crc32(*crc, output_, static_cast<uInt>(n)));
        if (!sink.Write(output_, n))
            return kZipWriteFailed;
        pos += n;
        left -= static_cast<uint32_t>(n);
    }
    return kZipOk;
}

ZipResult CZipArchive::Inflate(CZipSink& sink, uint32_t* crc) {
    z_stream& z = inflater_;
    if (inflateReset(&z) != Z_OK)
        return kZipFlate;
    uint64_t pos = entry_.dataPos;
    uint32_t compressedLeft = entry_.compressedSize;
    uint32_t left = entry_.uncompressedSize;
    z.next_in = input_;
    z.avail_in = 0;

    auto refill = [&]() -> bool {
        if (z.avail_in > 0 || compressedLeft == 0)
            return true;
        const size_t n = compressedLeft < kZipBufferSize ? compressedLeft : kZipBufferSize;
        if (!ReadExact(pos, input_, n))
            return false;
        pos += n;
        compressedLeft -= static_cast<uint32_t>(n);
        z.next_in = input_;
        z.avail_in = static_cast<uInt>(n);
        return true;
    };

    bool ended = false;
    while (left > 0) {
        if (!refill())
            return kZipFlate;
        z.next_out = output_;
        z.avail_out = static_cast<uInt>(left < kZipBufferSize ? left : kZipBufferSize);
        const uInt asked = z.avail_out;
        const int status = inflate(&z, Z_SYNC_FLUSH);
        const uInt produced = asked - z.avail_out;
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            return kZipFlate;
        if (produced > 0) {
            *crc = static_cast<uint32_t>(crc32(*crc, output_, produced));
            if (!sink.Write(output_, produced))
                return kZipWriteFailed;
            left -= produced;
        }
        if (status == Z_STREAM_END) {
            ended = true;
            break;
        }
        // No progress and nothing more to give it: the compressed data stops short.
        if (status == Z_BUF_ERROR && z.avail_in == 0 && compressedLeft == 0)
            return kZipFlate;
    }
    if (left > 0)
        return kZipCorrupt;  // the data ended before the recorded size

    // All recorded bytes arrived; the stream must end here, not carry more.
    while (!ended) {
        if (!refill())
            return kZipFlate;
        unsigned char probe;
        z.next_out = &probe;
        z.avail_out = 1;
        const int status = inflate(&z, Z_SYNC_FLUSH);
        if (z.avail_out == 0)
            return kZipCorrupt;  // more data than the recorded size
        if (status == Z_STREAM_END)
            ended = true;
        else if (status != Z_OK || (z.avail_in == 0 && compressedLeft == 0))
            return kZipFlate;
    }
    return kZipOk;
}
