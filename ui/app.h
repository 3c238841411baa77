// The application object: one per process, on the UI thread. It owns the host
// window class, the named-ID table, the resource providers' definitions (strings,
// colours, skins, fonts) and runs the message loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/image_decoder.h"
#include "ui/named_id.h"
#include "ui/res_provider.h"
#include "ui/skin.h"
#include "ui/uidef.h"

namespace ui {

class CObjectRegistry;

class CApp {
public:
    // Registers the host window class `hostClassName`. The render factory, registry
    // and providers are not owned.
    CApp(CRenderFactory* renderFactory, HINSTANCE instance, const wchar_t* hostClassName,
         CObjectRegistry* registry);
    ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    // The application object of the process, or nullptr.
    static CApp* Get();

    HINSTANCE Instance() const { return instance_; }
    const std::wstring& HostClassName() const { return hostClassName_; }
    CObjectRegistry* Registry() const { return registry_; }
    CRenderFactory* RenderFactory() const { return renderFactory_; }

    // Copies the table of named control IDs (a later call replaces it).
    void InitNamedIds(const SNamedID* table, int count, bool sorted);
    const CNamedIdTable& NamedIds() const { return namedIds_; }

    // Takes the skins of a system-resource provider ("values:skin"), decoding their
    // images now so that the provider's module may be unloaded afterwards. They stand
    // in for skins the program's own tables do not name.
    bool LoadSystemNamedResource(CResProviderPE* provider);

    // Adds a provider and loads the UI definition `uidefRef` ("uidef:xml_init") from
    // it: default font, strings, colours, skins (images decoded through the render
    // factory; a missing image leaves its skin empty). False when the definition does
    // not load.
    bool AddResProvider(CResProviderPE* provider, const wchar_t* uidefRef);

    // The bytes of a "type:name" resource from the providers, newest first.
    bool LoadResource(const std::wstring& ref, std::vector<uint8_t>* out) const;

    // Lookups; nullptr / empty / false when unknown.
    const CSkin* GetSkin(const std::wstring& name) const;
    bool GetString(const std::wstring& name, std::wstring* out) const;
    bool GetColor(const std::wstring& name, Argb* out) const;
    const CUiDef& UiDef() const { return uidef_; }
    // "@string/x" and "@color/x" give the table's value; other text is returned as is.
    std::wstring ResolveValue(const std::wstring& text) const;

    // The default font with `spec` merged onto it, as a GDI font (cached).
    FontSpec EffectiveFont(const FontSpec& spec) const;
    HFONT GetFont(const FontSpec& spec);

    // An icon "NAME:size" from the providers, or nullptr.
    HICON LoadIconRef(const std::wstring& ref) const;

    // Runs the message loop with `mainWnd` as the application's main window until a
    // quit message arrives; returns its exit code. The main window posts the quit
    // message with code 1 when it is destroyed.
    int Run(HWND mainWnd);
    // Readable from any thread (the download worker addresses its messages to it).
    HWND GetMainWnd() const { return mainWnd_.load(); }

private:
    void BuildSkins(const std::vector<SkinEntry>& entries,
                    std::map<std::wstring, std::unique_ptr<CSkin>>* into);

    CRenderFactory* renderFactory_;
    HINSTANCE instance_;
    std::wstring hostClassName_;
    CObjectRegistry* registry_;
    CNamedIdTable namedIds_;
    std::vector<CResProviderPE*> providers_;
    CUiDef uidef_;
    std::map<std::wstring, std::unique_ptr<CSkin>> skins_;
    std::map<std::wstring, std::unique_ptr<CSkin>> systemSkins_;
    std::map<std::wstring, HFONT> fonts_;
    std::atomic<HWND> mainWnd_{nullptr};
};

}  // namespace ui
