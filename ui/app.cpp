#include "ui/app.h"

#include <commctrl.h>

#include "ui/controls.h"
#include "ui/host_window.h"

namespace ui {

namespace {
CApp* g_app = nullptr;
const int kFallbackFontSize = 12;
}  // namespace

CApp::CApp(CRenderFactory* renderFactory, HINSTANCE instance, const wchar_t* hostClassName,
           CObjectRegistry* registry)
    : renderFactory_(renderFactory),
      instance_(instance),
      hostClassName_(hostClassName ? hostClassName : L"SOUIHOST"),
      registry_(registry) {
    g_app = this;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &CHostWnd::WndProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = hostClassName_.c_str();
    RegisterClassExW(&wc);
}

CApp::~CApp() {
    for (auto& f : fonts_)
        DeleteObject(f.second);
    UnregisterClassW(hostClassName_.c_str(), instance_);
    if (g_app == this)
        g_app = nullptr;
}

CApp* CApp::Get() {
    return g_app;
}

void CApp::InitNamedIds(const SNamedID* table, int count, bool sorted) {
    namedIds_.Init(table, count, sorted);
}

void CApp::BuildSkins(const std::vector<SkinEntry>& entries,
                      std::map<std::wstring, std::unique_ptr<CSkin>>* into) {
    for (const SkinEntry& e : entries) {
        std::unique_ptr<CSkin> skin(new CSkin(e.kind, e.attrs));
        if (skin->Name().empty())
            continue;
        std::vector<uint8_t> bytes;
        CPixmap image;
        if (!skin->Source().empty() && LoadResource(skin->Source(), &bytes) && renderFactory_ &&
            renderFactory_->DecodeImage(bytes.data(), bytes.size(), &image))
            skin->SetImage(std::move(image));
        else
            DebugTrace(L"skin " + skin->Name() + L": image " + skin->Source() + L" not available");
        (*into)[skin->Name()] = std::move(skin);
    }
}

bool CApp::LoadSystemNamedResource(CResProviderPE* provider) {
    if (!provider)
        return false;
    std::vector<uint8_t> bytes;
    if (!provider->GetRawBuffer(L"VALUES", L"SKIN", &bytes))
        return false;
    CUiDef sys;
    if (!ParseValuesTable(bytes, &sys))
        return false;
    // The images come from the system provider itself, read while it is loaded.
    providers_.push_back(provider);
    BuildSkins(sys.skins, &systemSkins_);
    providers_.pop_back();
    return true;
}

bool CApp::AddResProvider(CResProviderPE* provider, const wchar_t* uidefRef) {
    if (!provider)
        return false;
    providers_.push_back(provider);
    if (!uidefRef || !*uidefRef)
        return true;
    std::vector<uint8_t> xml;
    if (!LoadResource(uidefRef, &xml)) {
        DebugTrace(std::wstring(L"UI definition not found: ") + uidefRef);
        return false;
    }
    CUiDef def = uidef_;
    def.skins.clear();
    bool ok = ParseUiDef(
        xml,
        [this](const std::wstring& ref, std::vector<uint8_t>* out) {
            return LoadResource(ref, out);
        },
        &def);
    if (!ok) {
        DebugTrace(L"UI definition does not parse");
        return false;
    }
    BuildSkins(def.skins, &skins_);
    def.skins.clear();
    uidef_ = std::move(def);
    return true;
}

bool CApp::LoadResource(const std::wstring& ref, std::vector<uint8_t>* out) const {
    std::wstring type, name;
    if (!SplitResourceRef(ref, &type, &name))
        return false;
    for (auto it = providers_.rbegin(); it != providers_.rend(); ++it)
        if ((*it)->GetRawBuffer(type, name, out))
            return true;
    return false;
}

const CSkin* CApp::GetSkin(const std::wstring& name) const {
    auto it = skins_.find(name);
    if (it != skins_.end())
        return it->second.get();
    it = systemSkins_.find(name);
    if (it != systemSkins_.end())
        return it->second.get();
    return nullptr;
}

bool CApp::GetString(const std::wstring& name, std::wstring* out) const {
    auto it = uidef_.strings.find(name);
    if (it == uidef_.strings.end())
        return false;
    *out = it->second;
    return true;
}

bool CApp::GetColor(const std::wstring& name, Argb* out) const {
    auto it = uidef_.colors.find(name);
    if (it == uidef_.colors.end())
        return false;
    *out = it->second;
    return true;
}

std::wstring CApp::ResolveValue(const std::wstring& text) const {
    std::wstring value;
    if (text.compare(0, 8, L"@string/") == 0 && GetString(text.substr(8), &value))
        return value;
    Argb c;
    if (text.compare(0, 7, L"@color/") == 0 && GetColor(text.substr(7), &c)) {
        wchar_t buf[16];
        swprintf(buf, 16, L"#%02x%02x%02x%02x", (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF,
                 c >> 24);
        return buf;
    }
    return text;
}

FontSpec CApp::EffectiveFont(const FontSpec& spec) const {
    FontSpec f = spec.MergedOnto(uidef_.defaultFont);
    if (f.size <= 0)
        f.size = kFallbackFontSize;
    return f;
}

HFONT CApp::GetFont(const FontSpec& spec) {
    FontSpec f = EffectiveFont(spec);
    std::wstring key = f.Key();
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second;
    HFONT font = CreateFontW(-f.size, 0, 0, 0, f.bold > 0 ? FW_BOLD : FW_NORMAL, f.italic > 0,
                             f.underline > 0, f.strike > 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             f.face.c_str());
    fonts_[key] = font;
    return font;
}

HICON CApp::LoadIconRef(const std::wstring& ref) const {
    std::wstring name, size;
    if (!SplitResourceRef(ref, &name, &size))
        return nullptr;
    int px = ParseInt(size, 32);
    for (auto it = providers_.rbegin(); it != providers_.rend(); ++it)
        if (HICON icon = (*it)->LoadIconOfSize(name, px))
            return icon;
    return nullptr;
}

int CApp::Run(HWND mainWnd) {
    mainWnd_ = mainWnd;
    MSG msg{};
    int code = 1;
    while (true) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            code = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    mainWnd_ = nullptr;
    return code;
}

}  // namespace ui
