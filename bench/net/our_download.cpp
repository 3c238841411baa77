// Benchmark subject: the updater's own download transfer (its option set, as the
// silent update uses it, progress display included), without the version check and
// installation around it.
//   our_download.exe URL FILE
#include <cstdio>

#include "net/http_transport.h"

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    FILE* file = fopen(argv[2], "wb");
    if (!file)
        return 1;
    CURL* handle = curl_easy_init();
    SetDownloadOptions(handle, argv[1], file, nullptr, nullptr);
    CURLcode code = curl_easy_perform(handle);
    curl_easy_cleanup(handle);
    fclose(file);
    return code == CURLE_OK ? 0 : 1;
}
