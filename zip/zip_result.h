// Result codes of the archive reader, the process-wide last result and their texts.
// Portable: no operating-system calls.
#pragma once

#include <cstdint>

// An unsigned 32-bit code; 0 is success.
typedef uint32_t ZipResult;

const ZipResult kZipOk = 0;
const ZipResult kZipNoDuplicate = 0x100;
const ZipResult kZipNoFile = 0x200;  // cannot open the archive or create/replace a target
const ZipResult kZipNoMemory = 0x300;
const ZipResult kZipWriteFailed = 0x400;
const ZipResult kZipNotFound = 0x500;
const ZipResult kZipMoreData = 0x600;
const ZipResult kZipCorrupt = 0x700;  // inconsistent headers, CRC or size mismatch
const ZipResult kZipReadFailed = 0x800;
const ZipResult kZipPassword = 0x1000;    // encrypted entry; no password is ever given
const ZipResult kZipArguments = 0x10000;  // bad handle, index, path or a name over the limits
const ZipResult kZipNotMemory = 0x20000;
const ZipResult kZipMemorySize = 0x30000;
const ZipResult kZipPreviousError = 0x40000;
const ZipResult kZipEnded = 0x50000;
const ZipResult kZipMisSize = 0x60000;
const ZipResult kZipPartlyUnzipped = 0x70000;
const ZipResult kZipWrongKind = 0x80000;  // a handle that is not a reader handle
const ZipResult kZipNotInited = 0x1000000;
const ZipResult kZipSeek = 0x2000000;
const ZipResult kZipNoChange = 0x4000000;
const ZipResult kZipFlate = 0x5000000;  // corrupt compressed data or a failed read of it

// Passed to DescribeZipResult, stands for the code now held in LastZipResult.
const ZipResult kZipLastResult = 1;

// The result of the latest operation of the reader, any thread. Starts at 0.
// Only meaningful on the thread that made the call.
extern ZipResult LastZipResult;

// Stores `code` in LastZipResult and returns it.
ZipResult SetZipResult(ZipResult code);

// The message of `code` (code 1: of LastZipResult). Copies at most capacity - 1
// characters and a NUL into `buffer` when it is given and capacity is not 0.
// Returns the full length of the message in characters.
unsigned DescribeZipResult(ZipResult code, wchar_t* buffer, unsigned capacity);
