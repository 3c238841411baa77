#include "update/window_mode.h"

#include <ole2.h>

#include <memory>

#include "ui/app.h"
#include "ui/controls.h"
#include "ui/image_decoder.h"
#include "ui/res_provider.h"
#include "update/maindlg.h"

namespace {

// The program's own folder: the module path cut after its last backslash.
void EnterProgramFolder() {
    wchar_t path[MAX_PATH + 1] = {0};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash)
        return;
    slash[1] = L'\0';
    SetCurrentDirectoryW(path);
}

}  // namespace

int RunWindowMode(HINSTANCE instance, int updateMode, int clientTypeId) {
    EnterProgramFolder();

    std::unique_ptr<ui::CRenderFactory> renderFactory(new ui::CRenderFactory());
    std::unique_ptr<ui::IImgDecoder> decoder = ui::CreateImageDecoder(L"imgdecoder-gdip");
    renderFactory->SetImgDecoder(decoder.get());

    ui::CApp* app =
        new ui::CApp(renderFactory.get(), instance, L"SOUIHOST", ui::CObjectRegistry::Default());
    app->InitNamedIds(kMainNamedIds, kMainNamedIdCount, true);

    // Optional system resources; without the library the built-in defaults stand.
    if (HMODULE sys = LoadLibraryW(L"soui-sys-resource.dll")) {
        ui::CResProviderPE* sysProvider = new ui::CResProviderPE(sys);
        app->LoadSystemNamedResource(sysProvider);
        FreeLibrary(sys);
        delete sysProvider;
    }

    ui::CResProviderPE* provider = new ui::CResProviderPE(instance);
    app->InitNamedIds(kMainNamedIds, kMainNamedIdCount, true);
    app->AddResProvider(provider, L"uidef:xml_init");

    int code = 1;
    {
        CMainDlg dlg(L"LAYOUT:XML_MAINWND");
        dlg.UpdateMode = updateMode;
        dlg.ClientTypeId = clientTypeId;
        if (dlg.Create(GetActiveWindow(), 0, 0, 0, 0)) {
            dlg.SendMessage(WM_INITDIALOG, 0, 0);
            dlg.CenterWindow();
            dlg.ShowWindow(SW_SHOWNORMAL);
            code = app->Run(dlg.m_hWnd);
        }
    }

    delete app;
    delete provider;
    renderFactory.reset();
    decoder.reset();
    OleUninitialize();
    return code;
}
