// CMainDlg: the installer/updater window, built from the layout "LAYOUT:XML_MAINWND".
//
// The window and all its handlers run on the UI thread. The download worker reaches
// it only through the synchronous messages WM_UPDATE_PROGRESS, WM_UPDATE_FAILED and
// WM_CLOSE, and reads the option check boxes' states directly.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls.h"
#include "ui/host_window.h"
#include "ui/named_id.h"

// wParam: percent done (0..100); lParam: total size of the download in bytes,
// truncated to 32 bits (100 in the completion message). Result 1.
#define WM_UPDATE_PROGRESS 2018
// The download or the package failed. Result 1.
#define WM_UPDATE_FAILED 2019

// The named control IDs of the window's layout, sorted by name (ordinal order).
const int kMainNamedIdCount = 18;
extern const ui::SNamedID kMainNamedIds[kMainNamedIdCount];

// The installation folder for a folder the user chose: "%s\%s\" with the product
// folder "KivraClient". A drive root ("D:\") gives two backslashes in a row, which the
// Windows path functions read as one.
std::wstring FormatInstallDir(const std::wstring& chosenFolder);

class CMainDlg : public ui::CHostWnd {
public:
    explicit CMainDlg(const wchar_t* layout = L"LAYOUT:XML_MAINWND");

    std::wstring OwnDir;                   // the program's folder (ExeDir), trailing backslash
    ui::CProgress* ProgressBar = nullptr;  // the progress bar "progress"
    ui::CControl* ProgressText = nullptr;  // the status text "text_pro"
    std::wstring NewVersion;               // version text of the package being installed
    double TotalSize = 0;                  // lParam of the latest WM_UPDATE_PROGRESS
    ui::CEdit* DirEdit = nullptr;          // the folder field "edit_choose_url"
    std::wstring InstallDir;               // installation folder, trailing backslash
    int UpdateMode = 0;                    // 1 when the program got a command-line argument
    int ClientTypeId = 0;                  // integer value of the first argument

    // WM_INITDIALOG: finds the controls, sets the folder and the titles for the
    // flavour (the update flavour runs the install command at once), the agreement
    // text and address. Returns 0.
    BOOL OnInitDialog();

    // The install command: switches from the install page to the progress page.
    void Onbtn_ok_install();

protected:
    // Command events (code 10000) of the five controls, by name; others go on.
    bool OnCommand(ui::CEventArgs* evt) override;
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // The shell's folder dialog; a chosen file-system folder becomes InstallDir.
    // Virtual so that tests can stand in for the modal dialog.
    virtual bool BrowseForFolder(std::wstring* folder);

private:
    void OnChooseDir();
    void OnAgreementToggle();
};
