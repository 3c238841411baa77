#include "zip/zip_result.h"

ZipResult LastZipResult = 0;

ZipResult SetZipResult(ZipResult code) {
    LastZipResult = code;
    return code;
}

namespace {

struct Message {
    ZipResult code;
    const wchar_t* text;
};

// The texts are the reader's established wording, misspelling included: callers and
// logs compare against them.
const Message kMessages[] = {
    {kZipOk, L"Success"},
    {kZipNoDuplicate, L"Culdn't duplicate handle"},
    {kZipNoFile, L"Couldn't create/open file"},
    {kZipNoMemory, L"Failed to allocate memory"},
    {kZipWriteFailed, L"Error writing to file"},
    {kZipNotFound, L"File not found in the zipfile"},
    {kZipMoreData, L"Still more data to unzip"},
    {kZipCorrupt, L"Zipfile is corrupt or not a zipfile"},
    {kZipReadFailed, L"Error reading file"},
    {kZipPassword, L"Correct password required"},
    {kZipArguments, L"Caller: faulty arguments"},
    {kZipNotMemory, L"Caller: can only get memory of a memory zipfile"},
    {kZipMemorySize, L"Caller: not enough space allocated for memory zipfile"},
    {kZipPreviousError, L"Caller: there was a previous error"},
    {kZipEnded, L"Caller: additions to the zip have already been ended"},
    {kZipMisSize, L"Zip-bug: the anticipated size turned out wrong"},
    {kZipPartlyUnzipped, L"Caller: the file had already been partially unzipped"},
    {kZipWrongKind, L"Caller: mixing creation and opening of zip"},
    {kZipNotInited, L"Zip-bug: internal initialisation not completed"},
    {kZipSeek, L"Zip-bug: trying to seek the unseekable"},
    {kZipNoChange, L"Zip-bug: tried to change mind, but not allowed"},
    {kZipFlate, L"Zip-bug: an internal error during flation"},
};

}  // namespace

unsigned DescribeZipResult(ZipResult code, wchar_t* buffer, unsigned capacity) {
    if (code == kZipLastResult)
        code = LastZipResult;
    const wchar_t* text = L"unknown zip result code";
    for (const Message& m : kMessages) {
        if (m.code == code) {
            text = m.text;
            break;
        }
    }
    unsigned length = 0;
    while (text[length])
        ++length;
    if (buffer && capacity != 0) {
        unsigned n = length < capacity - 1 ? length : capacity - 1;
        for (unsigned i = 0; i < n; ++i)
            buffer[i] = text[i];
        buffer[n] = L'\0';
    }
    return length;
}
