// HTTP over libcurl's easy interface, in the program's two shapes: a JSON request
// whose whole response comes back as text, and a file download into an open stream.
//
// No state is kept between requests: each one creates, uses and releases its own
// handle on the calling thread. Handles are never shared between threads.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include <curl/curl.h>

// POSTs `body` (JSON, sent as "Content-Type:application/json;charset=UTF-8") to `url`.
// 0: the transfer completed, whatever the HTTP status; `response` holds the body,
//    converted from UTF-8 to the ANSI code page and cut at its first NUL byte.
// -1: the transfer failed; `response` holds libcurl's text for the failure and one
//    line went to the standard error stream. When no handle could be created,
//    `response` is left as it was.
int PostJson(int post, std::string& response, std::string url, std::string body);

// libcurl write function of PostJson: appends the chunk up to its first NUL byte to
// the std::string at `target`; always reports the whole chunk as taken.
size_t AppendResponse(char* chunk, size_t size, size_t count, void* target);

// Sets the download option set on `handle`: `url` as given, the library's own writer
// into `file`, up to 5 redirects followed, progress on (through `progress` when given,
// else the library's own display on the standard error stream), certificates not
// verified, the HTTP status not examined. A transfer that receives nothing for the
// stall limit (60 s) fails instead of hanging for ever.
void SetDownloadOptions(CURL* handle, const std::string& url, FILE* file,
                        curl_progress_callback progress, void* progressData);

// The text of a UTF-8 string in the system's ANSI code page; characters the code page
// lacks become its default character. Empty when the text is empty or unconvertible.
std::string Utf8ToAnsi(const std::string& utf8);
