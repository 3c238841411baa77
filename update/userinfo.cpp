#include "update/userinfo.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "deploy_config.h"
#include "log/hglog.h"
#include "log/log_format.h"
#include "update/client_config.h"

namespace {

const wchar_t kDataFolderName[] = L"KivraClient";
// config.xml is read whole; anything larger than this is not a client configuration.
const DWORD kMaxConfigBytes = 4 * 1024 * 1024;

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    size_t cut = folder.rfind(L'\\');
    folder.resize(cut == std::wstring::npos ? 0 : cut + 1);
    return folder;
}

// The per-user data folder, created if missing. When the shell cannot name the
// profile (a broken or roaming profile), the user's temporary folder takes its
// place, so the log still lands in a folder of this user and never in the
// installation folder or at a drive root.
std::wstring ResolveDataFolder() {
    wchar_t path[MAX_PATH] = L"";
    HRESULT hr = SHGetFolderPathAndSubDirW(nullptr, CSIDL_PROFILE | CSIDL_FLAG_CREATE, nullptr,
                                           SHGFP_TYPE_CURRENT, kDataFolderName, path);
    if (SUCCEEDED(hr) && path[0])
        return path;

    wchar_t temp[MAX_PATH + 1] = L"";
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return std::wstring();
    std::wstring folder = std::wstring(temp) + kDataFolderName;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = false;
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size <= kMaxConfigBytes) {
        bytes->resize(size);
        DWORD read = 0;
        ok = size == 0 || (ReadFile(file, &(*bytes)[0], size, &read, nullptr) && read == size);
    }
    CloseHandle(file);
    return ok;
}

}  // namespace

CUserInfo::CUserInfo()
    : ClientType(0),
      Net_Link(L"" KIVRA_PRODUCT_SITE),
      Net_Server(L"" KIVRA_VERSION_API_BASE),
      Net_FxServer(L"" KIVRA_DISTRIBUTION_BACKEND),
      ChannelNumber(L"VT00001"),
      CaptName(L"Zephra加速器") {
    ExeDir = ModuleFolder();
    DataDir = ResolveDataFolder();
    HgLog::Init(DataDir + L"\\Log\\", L"kivra", 0);
    HGLOG_DEBUG(L"CUserInfo::CUserInfo", L"%s",
                L"---------------------------安装/更新程序开始运行-------------------------");
    LoadExeConfig();
}

void CUserInfo::LoadExeConfig() {
    HGLOG_DEBUG(L"CUserInfo::LoadExeConfig",
                L"默认配置***类型:%d,标题名:%s,渠道号:%s \r\n 网站链接:%s,后台:%s,分销后台:%s\r\n",
                ClientType, CaptName.c_str(), ChannelNumber.c_str(), Net_Link.c_str(),
                Net_Server.c_str(), Net_FxServer.c_str());

    std::wstring path = ExeDir + L"config.xml";
    if (path.size() >= MAX_PATH)
        return;
    std::string bytes;
    ClientConfigText text;
    if (!ReadWholeFile(path, &bytes) || !ParseClientConfig(bytes, &text))
        return;

    ClientSettings settings = {ClientType, CaptName,   ChannelNumber,
                               Net_Link,   Net_Server, Net_FxServer};
    ApplyClientConfig(text, &settings);
    ClientType = settings.clientType;
    CaptName = settings.captName;
    ChannelNumber = settings.channelNumber;
    Net_Link = settings.netLink;
    Net_Server = settings.netServer;
    Net_FxServer = settings.netFxServer;

    HGLOG_DEBUG(
        L"CUserInfo::LoadExeConfig",
        L"读取配置后***类型:%d,标题名:%s,渠道号:%s \r\n 网站链接:%s,后台:%s,分销后台:%s\r\n",
        ClientType, CaptName.c_str(), ChannelNumber.c_str(), Net_Link.c_str(), Net_Server.c_str(),
        Net_FxServer.c_str());
}

bool PathExists(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

bool DirectoryExists(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreatePath(const std::wstring& path) {
    std::vector<std::wstring> chain;
    if (!PlanFolderChain(path, DirectoryExists, &chain))
        return false;
    for (const std::wstring& folder : chain)
        CreateDirectoryW(folder.c_str(), nullptr);
    return true;
}
