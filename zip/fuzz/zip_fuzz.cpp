// libFuzzer target for the archive core, built natively with AddressSanitizer and
// UndefinedBehaviorSanitizer by tools/fuzz.sh. Each input is opened as an archive from
// memory; every entry is described and extracted into a memory sink, and the name
// rules are checked on the raw bytes as well.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "zip/zip_archive.h"
#include "zip/zip_name.h"

namespace {

// Takes at most 1 MiB per entry, so that a small input declaring a huge entry stays
// cheap; the refusal ends the extraction like a full disk would.
class CBoundedSink : public CZipSink {
public:
    bool Write(const void* data, size_t n) override {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        if (n > 0)
            checksum_ += p[0] + p[n - 1];  // touch the bytes so ASan sees every read
        taken_ += n;
        return taken_ <= (1u << 20);
    }
    void Reset() { taken_ = 0; }

private:
    size_t taken_ = 0;
    unsigned checksum_ = 0;
};

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// What a described name must never be: absolute, or climbing above the root.
void CheckSafeName(const std::wstring& name) {
    Require(!IsAbsoluteZipPath(name));
    Require(name != L"..");
    Require(!(name.size() >= 3 && name[0] == L'.' && name[1] == L'.' &&
              (name[2] == L'/' || name[2] == L'\\')));
    Require(SanitiseZipName(name) == name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t nameBytes = size < kZipMaxName ? size : kZipMaxName;
    const std::wstring decoded = DecodeZipName(reinterpret_cast<const char*>(data), nameBytes);
    Require(decoded.size() <= nameBytes);
    CheckSafeName(SanitiseZipName(decoded));

    CZipMemorySource source(data, size);
    CZipArchive archive(&source);
    if (archive.Open() != kZipOk)
        return 0;
    ZipEntryInfo info;
    Require(archive.Describe(-1, &info) == kZipOk && info.index == archive.Count());
    Require(archive.Describe(-2, &info) == kZipArguments);
    CBoundedSink sink;
    const int count = archive.Count();
    for (int i = 0; i <= count; ++i) {
        const ZipResult described = archive.Describe(i, &info);
        if (described == kZipOk) {
            std::wstring name(info.name);
            Require(name.size() < 260);
            CheckSafeName(name);
        }
        sink.Reset();
        archive.Extract(i, sink);
    }
    // Stepping back to the start of the central directory.
    if (count > 0)
        archive.Describe(0, &info);
    return 0;
}
