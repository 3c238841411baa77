// Sends WM_UPDATE_PROGRESS to the shown window from a worker thread, as the
// download's progress function does, and reports the round trip of each message and
// how often the window was drawn meanwhile.
//
//   tools/wine-run.sh build/x86_64/bench/ui/progress_bench.exe [messages]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "ui/app.h"
#include "ui/image_decoder.h"
#include "ui/res_provider.h"
#include "update/maindlg.h"

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
    HINSTANCE self = GetModuleHandleW(nullptr);
    std::unique_ptr<ui::IImgDecoder> decoder = ui::CreateImageDecoder(L"imgdecoder-gdip");
    ui::CRenderFactory factory;
    factory.SetImgDecoder(decoder.get());
    ui::CApp app(&factory, self, L"SOUIHOST", ui::CObjectRegistry::Default());
    app.InitNamedIds(kMainNamedIds, kMainNamedIdCount, true);
    ui::CResProviderPE provider(self);
    app.AddResProvider(&provider, L"uidef:xml_init");

    CMainDlg dlg;
    dlg.UpdateMode = 1;  // the progress page
    if (!dlg.Create(nullptr)) {
        std::fprintf(stderr, "progress_bench: the window was not created\n");
        return 2;
    }
    dlg.SendMessage(WM_INITDIALOG);
    dlg.CenterWindow();
    dlg.ShowWindow(SW_SHOWNORMAL);

    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    // The cost of drawing the whole window once, for comparison.
    LARGE_INTEGER r0, r1;
    QueryPerformanceCounter(&r0);
    const int draws = 20;
    for (int i = 0; i < draws; ++i)
        dlg.RenderNow();
    QueryPerformanceCounter(&r1);
    const double drawMicros = (r1.QuadPart - r0.QuadPart) * 1e6 / freq.QuadPart / draws;
    // The cost of the frame that follows a progress message: only the bar is drawn.
    QueryPerformanceCounter(&r0);
    for (int i = 0; i < draws; ++i) {
        dlg.ProgressBar->SetValue(i * 5);
        dlg.RenderPending();
    }
    QueryPerformanceCounter(&r1);
    const double barMicros = (r1.QuadPart - r0.QuadPart) * 1e6 / freq.QuadPart / draws;
    std::vector<double> micros(count), bare(count);
    int rendersBefore = 0, rendersAfter = 0;
    LARGE_INTEGER start, end;
    std::thread worker([&] {
        // Messages go to the application's main window, known once the loop runs.
        HWND main;
        while (!(main = app.GetMainWnd()))
            Sleep(1);
        Sleep(100);
        // The bare cost of a synchronous cross-thread message, handled by nobody.
        for (int i = 0; i < count; ++i) {
            LARGE_INTEGER t0, t1;
            QueryPerformanceCounter(&t0);
            SendMessageW(main, WM_NULL, 0, 0);
            QueryPerformanceCounter(&t1);
            bare[i] = (t1.QuadPart - t0.QuadPart) * 1e6 / freq.QuadPart;
        }
        rendersBefore = dlg.RenderCount();
        QueryPerformanceCounter(&start);
        for (int i = 0; i < count; ++i) {
            LARGE_INTEGER t0, t1;
            QueryPerformanceCounter(&t0);
            SendMessageW(main, WM_UPDATE_PROGRESS, static_cast<WPARAM>(i * 100LL / count), 5000000);
            QueryPerformanceCounter(&t1);
            micros[i] = (t1.QuadPart - t0.QuadPart) * 1e6 / freq.QuadPart;
        }
        QueryPerformanceCounter(&end);
        Sleep(100);  // let the last frame be drawn
        rendersAfter = dlg.RenderCount();
        SendMessageW(main, WM_CLOSE, 0, 0);
    });
    int code = app.Run(dlg.m_hWnd);
    worker.join();

    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    auto at = [&](double q) { return sorted[static_cast<size_t>(q * (sorted.size() - 1))]; };
    double seconds = (end.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
    std::printf("messages:          %d in %.3f s\n", count, seconds);
    std::printf("round trip (us):   median %.1f, p90 %.1f, p99 %.1f, max %.1f\n", at(0.5), at(0.9),
                at(0.99), sorted.back());
    std::sort(bare.begin(), bare.end());
    std::printf("bare WM_NULL (us): median %.1f, p90 %.1f\n", bare[bare.size() / 2],
                bare[static_cast<size_t>(0.9 * (bare.size() - 1))]);
    std::printf("window drawn:      %d times (%.1f frames per second of sending)\n",
                rendersAfter - rendersBefore, (rendersAfter - rendersBefore) / seconds);
    std::printf("one full drawing:  %.0f us; a frame after a progress message: %.0f us\n",
                drawMicros, barMicros);
    std::printf("loop exit code:    %d\n", code);
    return 0;
}
