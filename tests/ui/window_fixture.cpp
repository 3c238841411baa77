#include "tests/ui/window_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "ui/image_decoder.h"
#include "ui/res_provider.h"
#include "update/maindlg.h"

namespace uitest {

ui::CApp* App() {
    static ui::CApp* app = [] {
        static std::unique_ptr<ui::IImgDecoder> decoder =
            ui::CreateImageDecoder(L"imgdecoder-gdip");
        static ui::CRenderFactory factory;
        factory.SetImgDecoder(decoder.get());
        HINSTANCE self = GetModuleHandleW(nullptr);
        ui::CApp* a = new ui::CApp(&factory, self, L"SOUIHOST", ui::CObjectRegistry::Default());
        a->InitNamedIds(kMainNamedIds, kMainNamedIdCount, true);
        static ui::CResProviderPE provider(self);
        a->AddResProvider(&provider, L"uidef:xml_init");
        return a;
    }();
    return app;
}

POINT CentreOf(const ui::CControl* control) {
    const ui::CRect& r = control->GetWindowRect();
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ClickControl(ui::CHostWnd* host, const std::wstring& name) {
    ui::CControl* c = host->FindChildByName(name);
    ASSERT_NE(c, nullptr) << "no control named " << name;
    POINT p = CentreOf(c);
    host->Click(p.x, p.y);
}

LRESULT SendFromWorker(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        result = SendMessageW(hwnd, msg, wp, lp);
        SetEvent(done);
    });
    // Only sent messages are handled meanwhile, as in a loop that is busy with them:
    // posted ones (the frame timer, a quit message) stay queued.
    while (MsgWaitForMultipleObjects(1, &done, FALSE, 5000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG m;
        PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    worker.join();
    CloseHandle(done);
    return result;
}

void PumpFor(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    for (;;) {
        DWORD now = GetTickCount();
        if (static_cast<LONG>(end - now) <= 0)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT)
                continue;
            DispatchMessageW(&m);
        }
    }
}

}  // namespace uitest
