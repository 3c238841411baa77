#include "net/http_transport.h"

#include <windows.h>

#include <cstring>

#include "net/transfer_limits.h"

namespace {

const long kDefaultStallSeconds = 60;
long g_stallSeconds = kDefaultStallSeconds;

// libcurl's 16 KiB default costs one write call per 16 KiB; a larger buffer keeps
// the per-call overhead of the file layer out of large downloads.
const long kDownloadBufferBytes = 256 * 1024;

void SetStallLimit(CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, g_stallSeconds);
}

}  // namespace

long TransferStallSeconds() {
    return g_stallSeconds;
}

void SetTransferStallSecondsForTesting(long seconds) {
    g_stallSeconds = seconds > 0 ? seconds : kDefaultStallSeconds;
}

size_t AppendResponse(char* chunk, size_t size, size_t count, void* target) {
    size_t n = size * count;
    const void* nul = std::memchr(chunk, '\0', n);
    size_t keep = nul ? static_cast<size_t>(static_cast<const char*>(nul) - chunk) : n;
    static_cast<std::string*>(target)->append(chunk, keep);
    return n;
}

std::string Utf8ToAnsi(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > 0x7FFFFFFF)
        return std::string();
    int length = static_cast<int>(utf8.size());
    int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (wideLength <= 0)
        return std::string();
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &wide[0], wideLength);
    int ansiLength =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (ansiLength <= 0)
        return std::string();
    std::string ansi(static_cast<size_t>(ansiLength), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, &ansi[0], ansiLength, nullptr, nullptr);
    return ansi;
}

int PostJson(int post, std::string& response, std::string url, std::string body) {
    CURL* handle = curl_easy_init();
    if (!handle)
        return -1;

    curl_slist* headers = curl_slist_append(nullptr, "Content-Type:application/json;charset=UTF-8");
    std::string collected;
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, AppendResponse);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &collected);
    curl_easy_setopt(handle, CURLOPT_POST, static_cast<long>(post));
    SetStallLimit(handle);

    CURLcode code = curl_easy_perform(handle);
    int result;
    if (code != CURLE_OK) {
        const char* reason = curl_easy_strerror(code);
        fprintf(stderr, "curl_easy_perform() failed: %s\n", reason);
        response = reason;
        result = -1;
    } else {
        response = Utf8ToAnsi(collected);
        result = 0;
    }
    curl_easy_cleanup(handle);
    curl_slist_free_all(headers);
    return result;
}

void SetDownloadOptions(CURL* handle, const std::string& url, FILE* file,
                        curl_progress_callback progress, void* progressData) {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, nullptr);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, file);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    if (progress) {
        // The classic progress callback: its doubles are what the window's bar uses.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        curl_easy_setopt(handle, CURLOPT_PROGRESSFUNCTION, progress);
#pragma GCC diagnostic pop
        curl_easy_setopt(handle, CURLOPT_PROGRESSDATA, progressData);
    }
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kDownloadBufferBytes);
    SetStallLimit(handle);
}
