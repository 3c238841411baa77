#include "update/maindlg.h"

#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "deploy_config.h"
#include "update/userinfo.h"

const ui::SNamedID kMainNamedIds[kMainNamedIdCount] = {
    {L"_name_start", 65535},    {L"btn_choose_changedir", 65544},
    {L"btn_close", 65538},      {L"btn_min", 65539},
    {L"btn_ok_install", 65542}, {L"edit_choose_url", 65543},
    {L"link_agreement", 65548}, {L"main_versionInfo", 65537},
    {L"progress", 65552},       {L"radio_auto", 65546},
    {L"radio_xieyi", 65547},    {L"radio_zmkj", 65545},
    {L"text_company", 65550},   {L"text_pro", 65551},
    {L"window_0", 65536},       {L"window_logo", 65540},
    {L"window_main", 65541},    {L"window_process", 65549},
};

namespace {

const wchar_t kProductFolder[] = L"KivraClient";
const wchar_t kProductName[] = L"Zephra加速器";
const wchar_t kAgreementPath[] = L"/aboutUs.html?type=%E4%BC%9A%E5%91%98%E6%9D%A1%E6%AC%BE";
const wchar_t kInvalidFolder[] = L"无效的目录，请重新选择";

std::wstring FromAnsi(const char* text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::vector<wchar_t> buf(n);
    MultiByteToWideChar(CP_ACP, 0, text, -1, buf.data(), n);
    return std::wstring(buf.data());
}

// The Program Files folder as a 32-bit process sees it, in every build of the program.
std::wstring ProgramFilesFolder() {
    wchar_t path[MAX_PATH] = {0};
    if (SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILESX86, FALSE))
        return path;
    if (SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILES, FALSE))
        return path;
    return L"C:\\Program Files";
}

}  // namespace

std::wstring FormatInstallDir(const std::wstring& chosenFolder) {
    std::vector<wchar_t> buf(chosenFolder.size() + 64);
    std::swprintf(buf.data(), buf.size(), L"%ls\\%ls\\", chosenFolder.c_str(), kProductFolder);
    return buf.data();
}

CMainDlg::CMainDlg(const wchar_t* layout) : ui::CHostWnd(layout) {}

BOOL CMainDlg::OnInitDialog() {
    ProgressBar = FindChildByName2<ui::CProgress>(L"progress");
    ProgressText = FindChildByName(L"text_pro");
    OwnDir = CUserInfo::GetInstance()->ExeDir;
    DirEdit = FindChildByName2<ui::CEdit>(L"edit_choose_url");

    ui::CControl* version = FindChildByName(L"main_versionInfo");
    ui::CControl* company = FindChildByName(L"text_company");
    if (UpdateMode == 0) {
        InstallDir = FormatInstallDir(ProgramFilesFolder());
        if (DirEdit)
            DirEdit->SetText(InstallDir);
        if (version)
            version->SetText(std::wstring(kProductName) + L" - 安装");
        if (company)
            company->SetText(kProductName);
    } else {
        InstallDir = OwnDir;
        Onbtn_ok_install();
        if (version)
            version->SetText(std::wstring(kProductName) + L" - 更新");
        if (company)
            company->SetText(kProductName);
    }

    if (ui::CControl* agree = FindChildByName(L"radio_xieyi"))
        agree->SetText(std::wstring(L"阅读并同意") + kProductName);
    if (ui::CControl* link = FindChildByName(L"link_agreement"))
        link->SetAttribute(L"href", FromAnsi(KIVRA_PRODUCT_SITE) + kAgreementPath);
    return 0;
}

void CMainDlg::Onbtn_ok_install() {
    if (ui::CControl* page = FindChildByName(L"window_main"))
        page->SetVisible(false, false);
    if (ui::CControl* page = FindChildByName(L"window_process"))
        page->SetVisible(true, true);
}

bool CMainDlg::OnCommand(ui::CEventArgs* evt) {
    if (evt->code != ui::EVT_CMD)
        return false;
    const std::wstring& name = evt->nameFrom;
    if (name == L"btn_close") {
        DestroyWindow();
    } else if (name == L"btn_min") {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    } else if (name == L"btn_choose_changedir") {
        OnChooseDir();
    } else if (name == L"btn_ok_install") {
        Onbtn_ok_install();
    } else if (name == L"radio_xieyi") {
        OnAgreementToggle();
    } else {
        return false;
    }
    evt->handled = true;
    return true;
}

bool CMainDlg::BrowseForFolder(std::wstring* folder) {
    BROWSEINFOW bi{};
    bi.hwndOwner = m_hWnd;
    bi.pidlRoot = nullptr;  // the desktop
    bi.lpszTitle = L"请选择安装目录";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&bi);
    if (!item)
        return false;  // cancelled
    wchar_t path[MAX_PATH] = {0};
    bool ok = SHGetPathFromIDListW(item, path) && path[0];
    CoTaskMemFree(item);
    if (!ok) {
        // A choice without a file-system path: say so; cancelling needs no message.
        MessageBoxW(m_hWnd, kInvalidFolder, L"", MB_OK | MB_ICONWARNING);
        return false;
    }
    *folder = path;
    return true;
}

void CMainDlg::OnChooseDir() {
    std::wstring folder;
    if (!BrowseForFolder(&folder))
        return;
    InstallDir = FormatInstallDir(folder);
    if (DirEdit)
        DirEdit->SetText(InstallDir);
}

void CMainDlg::OnAgreementToggle() {
    ui::CCheckBox* agree = FindChildByName2<ui::CCheckBox>(L"radio_xieyi");
    if (!agree)
        return;
    if (ui::CControl* install = FindChildByName(L"btn_ok_install"))
        install->EnableWindow(agree->IsChecked(), true);
}

BOOL CMainDlg::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    (void)hwnd;
    switch (msg) {
        case WM_INITDIALOG:
            result = OnInitDialog();
            return TRUE;
        case WM_CLOSE:
            DestroyWindow();
            result = 0;
            return TRUE;
        case WM_UPDATE_PROGRESS:
            TotalSize = static_cast<double>(static_cast<uint32_t>(lp));
            if (ProgressBar)
                ProgressBar->SetValue(static_cast<int>(wp));
            result = 1;
            return TRUE;
        case WM_UPDATE_FAILED:
            if (ProgressText)
                ProgressText->SetText(L"下载失败");
            if (ProgressBar)
                ProgressBar->SetValue(0);
            result = 1;
            return TRUE;
        default:
            return FALSE;
    }
}
