// The archive reader as the update engine uses it: open a package file, describe its
// entries and write them under a root folder.
//
//   ZipHandle zip = OpenZip(L"C:\\Client\\up.zip");
//   SetZipRoot(zip, L"C:\\Client\\");
//   ZipEntryInfo ze;
//   ReadZipEntry(zip, -1, &ze);               // ze.index = number of entries
//   for (int i = 0; i < count; ++i) { ReadZipEntry(zip, i, &ze); UnzipItem(zip, i, ze.name); }
//   ReleaseZip(zip);
//
// Every operation returns a ZipResult and stores it in LastZipResult. A handle is used
// by one thread at a time; no operation logs.
#pragma once

#include "zip/zip_archive.h"
#include "zip/zip_result.h"

// Kind tag of a reader handle, the only kind there is.
const int kZipReaderKind = 1;

struct CZipReader;

// The handle record: a kind tag and the reader state.
struct ZipHandleRecord {
    int kind;
    CZipReader* state;
};
typedef ZipHandleRecord* ZipHandle;

// Opens an archive file for reading (read sharing, existing file only) and positions on
// its first entry. The root folder starts as the current directory with a separator.
// Null on failure, LastZipResult then holds the reason: 0x200 when the file cannot be
// opened or holds no readable central directory, 0x10000 for a null path.
ZipHandle OpenZip(const wchar_t* path);

// Sets the root folder under which relative targets are written; a separator is added
// when the folder does not end in one. 0; 0x10000 when the folder with its separator
// is longer than 259 characters (the root is then unchanged).
ZipResult SetZipRoot(ZipHandle handle, const wchar_t* folder);

// Describes entry `index`, or with -1 gives the number of entries in info->index.
// 0; 0x10000 for a bad handle, index or a stored name longer than 259 bytes; 0x80000
// for a handle of another kind; 0x700 for inconsistent headers; 0x800 when the local
// extra field cannot be read.
ZipResult ReadZipEntry(ZipHandle handle, int index, ZipEntryInfo* info);

// Writes entry `index` to `target`: a relative target goes under the root folder, an
// absolute one is used as it stands. A folder entry only creates folders. A file entry
// is written to a temporary file beside the target and moved over it only once all of
// its data arrived and checked out, so a failure leaves the previous file untouched
// and no temporary file behind.
// 0; 0x10000 for a bad handle or index, a relative target with a ".." component, or a
// root folder plus target longer than 259 characters; 0x200 when the target cannot be
// created or replaced (held open without write sharing, read-only, folder missing);
// 0x400 write failure; 0x700 CRC or size mismatch; 0x1000 encrypted entry; 0x5000000
// inconsistent local header, corrupt compressed data or a read error.
ZipResult UnzipItem(ZipHandle handle, int index, const wchar_t* target);

// Closes the archive and frees the handle. 0; 0x10000 null handle; 0x80000 wrong kind.
ZipResult ReleaseZip(ZipHandle handle);

// Creates the folder `folder` (relative to `root` when a root is given), with every
// folder above it. Both separators count. Failures are not reported: they show when the
// file inside is created.
void EnsureZipFolders(const wchar_t* root, const wchar_t* folder);
