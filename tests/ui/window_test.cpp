// The real window built from the program's own resources: layout, initial states,
// events, worker messages and bad resources.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "deploy_config.h"
#include "tests/ui/window_fixture.h"
#include "ui/image_decoder.h"
#include "ui/skin.h"
#include "update/maindlg.h"
#include "update/userinfo.h"

using uitest::App;
using uitest::ClickControl;

namespace {

std::string Str(const ui::CRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// CMainDlg with the events it saw recorded and the folder dialog stood in for.
class CTestDlg : public CMainDlg {
public:
    std::vector<std::wstring> commands;
    bool browseResult = false;
    std::wstring browseFolder;

protected:
    bool OnCommand(ui::CEventArgs* evt) override {
        if (evt->code == ui::EVT_CMD)
            commands.push_back(evt->nameFrom);
        return CMainDlg::OnCommand(evt);
    }
    bool BrowseForFolder(std::wstring* folder) override {
        if (browseResult)
            *folder = browseFolder;
        return browseResult;
    }
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        // A window of an earlier test may have left its quit message.
        MSG m;
        while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        ASSERT_NE(dlg.Create(nullptr), nullptr);
    }
    void Init(int updateMode) {
        dlg.UpdateMode = updateMode;
        dlg.SendMessage(WM_INITDIALOG);
    }
    ui::CControl* Control(const wchar_t* name) {
        ui::CControl* c = dlg.FindChildByName(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    bool Checked(const wchar_t* name) {
        ui::CCheckBox* c = dlg.FindChildByName2<ui::CCheckBox>(name);
        EXPECT_NE(c, nullptr) << name;
        return c && c->IsChecked();
    }
    CTestDlg dlg;
};

TEST_F(MainWindow, ControlsLandWhereTheLayoutSays) {
    struct Case {
        const wchar_t* name;
        const char* rect;
    };
    const Case kCases[] = {
        {L"window_0", "1,1,839,579"},
        {L"btn_close", "793,21,811,39"},
        {L"btn_min", "758,21,776,39"},
        {L"window_logo", "346,190,494,322"},  // centred, lifted by 0.9 of its height
        {L"window_main", "3,322,837,577"},    // below the logo
        {L"btn_ok_install", "330,362,510,402"},
        {L"edit_choose_url", "107,504,717,536"},
        {L"btn_choose_changedir", "727,504,817,534"},
        {L"window_process", "3,360,837,577"},
    };
    for (const Case& c : kCases) {
        ui::CControl* control = Control(c.name);
        if (control) {
            EXPECT_EQ(Str(control->GetWindowRect()), c.rect) << c.name;
        }
    }
    // Rows that follow their content: the check boxes and the link line up after one
    // another, 10 pixels below the browse button.
    const wchar_t* row[] = {L"radio_zmkj", L"radio_auto", L"radio_xieyi", L"link_agreement"};
    const int gaps[] = {0, 10, 10, 3};
    ui::CRect previous = Control(L"btn_choose_changedir")->GetWindowRect();
    for (int i = 0; i < 4; ++i) {
        ui::CRect r = Control(row[i])->GetWindowRect();
        EXPECT_EQ(r.top, 544) << row[i];
        EXPECT_GT(r.Width(), 14) << row[i];
        if (i == 0) {
            EXPECT_EQ(r.left, 43);
        } else {
            EXPECT_EQ(r.left, previous.right + gaps[i]) << row[i];
        }
        previous = r;
    }
    EXPECT_LE(previous.right, 837);
    // The progress page: title centred, the bar 800 wide and 8 high under its text.
    ui::CRect company = Control(L"text_company")->GetWindowRect();
    EXPECT_NEAR((company.left + company.right) / 2, 420, 1);
    EXPECT_EQ(company.top, 360);
    ui::CRect text = Control(L"text_pro")->GetWindowRect();
    ui::CRect bar = Control(L"progress")->GetWindowRect();
    EXPECT_EQ(text.left, 20);
    EXPECT_EQ(text.top, company.bottom + 103);
    EXPECT_EQ(Str(bar), "20," + std::to_string(text.bottom + 10) + ",820," +
                            std::to_string(text.bottom + 18));
}

TEST_F(MainWindow, StartsAsTheLayoutBuildsIt) {
    EXPECT_TRUE(Control(L"window_main")->IsVisible());
    EXPECT_FALSE(Control(L"window_process")->IsVisible());
    EXPECT_TRUE(Checked(L"radio_zmkj"));
    EXPECT_FALSE(Checked(L"radio_auto"));
    EXPECT_TRUE(Checked(L"radio_xieyi"));
    ui::CProgress* bar = dlg.FindChildByName2<ui::CProgress>(L"progress");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetValue(), 10);
    EXPECT_TRUE(dlg.IsTranslucent());
    EXPECT_TRUE(dlg.IsAppWnd());
    RECT rc;
    GetWindowRect(dlg.m_hWnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 840);
    EXPECT_EQ(rc.bottom - rc.top, 580);
    wchar_t cls[32] = {0};
    GetClassNameW(dlg.m_hWnd, cls, 32);
    EXPECT_STREQ(cls, L"SOUIHOST");
    EXPECT_NE(dlg.SendMessage(WM_GETICON, ICON_BIG), 0);
    EXPECT_NE(dlg.SendMessage(WM_GETICON, ICON_SMALL), 0);
    // Typed lookup finds nothing for a control of another kind.
    EXPECT_EQ(dlg.FindChildByName2<ui::CProgress>(L"radio_zmkj"), nullptr);
    EXPECT_EQ(dlg.FindChildByName2<ui::CCheckBox>(L"no_such_control"), nullptr);
}

TEST_F(MainWindow, InstallFlavourInitialisation) {
    Init(0);
    wchar_t pf[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, pf, CSIDL_PROGRAM_FILESX86, FALSE));
    EXPECT_EQ(dlg.InstallDir, std::wstring(pf) + L"\\KivraClient\\");
    ASSERT_NE(dlg.DirEdit, nullptr);
    EXPECT_EQ(dlg.DirEdit->GetText(), dlg.InstallDir);
    EXPECT_TRUE(dlg.DirEdit->IsReadOnly());
    EXPECT_EQ(dlg.OwnDir, CUserInfo::GetInstance()->ExeDir);
    EXPECT_EQ(Control(L"main_versionInfo")->GetText(), L"Zephra加速器 - 安装");
    EXPECT_EQ(Control(L"text_company")->GetText(), L"Zephra加速器");
    EXPECT_EQ(Control(L"radio_xieyi")->GetText(), L"阅读并同意Zephra加速器");
    ui::CLink* link = dlg.FindChildByName2<ui::CLink>(L"link_agreement");
    ASSERT_NE(link, nullptr);
    std::string site = KIVRA_PRODUCT_SITE;
    EXPECT_EQ(link->Href(), std::wstring(site.begin(), site.end()) +
                                L"/aboutUs.html?type=%E4%BC%9A%E5%91%98%E6%9D%A1%E6%AC%BE");
    EXPECT_NE(dlg.ProgressBar, nullptr);
    EXPECT_NE(dlg.ProgressText, nullptr);
    EXPECT_TRUE(Control(L"window_main")->IsVisible());
}

TEST_F(MainWindow, UpdateFlavourShowsTheProgressPage) {
    Init(1);
    EXPECT_EQ(dlg.InstallDir, CUserInfo::GetInstance()->ExeDir);
    EXPECT_FALSE(Control(L"window_main")->IsVisible());
    EXPECT_TRUE(Control(L"window_process")->IsVisible());
    EXPECT_EQ(Control(L"main_versionInfo")->GetText(), L"Zephra加速器 - 更新");
    EXPECT_EQ(Control(L"text_company")->GetText(), L"Zephra加速器");
}

TEST_F(MainWindow, AgreementGatesTheInstallButton) {
    Init(0);
    ui::CControl* install = Control(L"btn_ok_install");
    ClickControl(&dlg, L"radio_xieyi");
    EXPECT_FALSE(Checked(L"radio_xieyi"));
    EXPECT_TRUE(install->IsDisabled());
    // A click on the disabled button raises no command: the page stays.
    dlg.commands.clear();
    ClickControl(&dlg, L"btn_ok_install");
    EXPECT_TRUE(dlg.commands.empty());
    EXPECT_TRUE(Control(L"window_main")->IsVisible());

    ClickControl(&dlg, L"radio_xieyi");
    EXPECT_TRUE(Checked(L"radio_xieyi"));
    EXPECT_FALSE(install->IsDisabled());
    dlg.commands.clear();
    ClickControl(&dlg, L"btn_ok_install");
    EXPECT_EQ(dlg.commands, std::vector<std::wstring>{L"btn_ok_install"});
    EXPECT_FALSE(Control(L"window_main")->IsVisible());
    EXPECT_TRUE(Control(L"window_process")->IsVisible());
}

TEST_F(MainWindow, CheckBoxesToggleAndCommandsCarryNameAndId) {
    Init(0);
    ClickControl(&dlg, L"radio_auto");
    EXPECT_TRUE(Checked(L"radio_auto"));
    ClickControl(&dlg, L"radio_zmkj");
    EXPECT_FALSE(Checked(L"radio_zmkj"));
    EXPECT_EQ(dlg.commands, (std::vector<std::wstring>{L"radio_auto", L"radio_zmkj"}));
    EXPECT_EQ(Control(L"radio_auto")->Id(), 65546);
    // A press that is released outside the control is no click.
    POINT p = uitest::CentreOf(Control(L"radio_auto"));
    dlg.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    dlg.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(p.x, 5));
    EXPECT_TRUE(Checked(L"radio_auto"));
    EXPECT_EQ(dlg.commands.size(), 2u);
}

TEST_F(MainWindow, FolderBrowseAppendsTheProductFolder) {
    Init(0);
    std::wstring before = dlg.InstallDir;
    dlg.browseResult = false;  // cancelled: nothing changes
    ClickControl(&dlg, L"btn_choose_changedir");
    EXPECT_EQ(dlg.InstallDir, before);
    dlg.browseResult = true;
    dlg.browseFolder = L"D:\\Games";
    ClickControl(&dlg, L"btn_choose_changedir");
    EXPECT_EQ(dlg.InstallDir, L"D:\\Games\\KivraClient\\");
    EXPECT_EQ(dlg.DirEdit->GetText(), L"D:\\Games\\KivraClient\\");
}

TEST(InstallFolder, FormatForAFolderAndADriveRoot) {
    EXPECT_EQ(FormatInstallDir(L"D:\\Games"), L"D:\\Games\\KivraClient\\");
    EXPECT_EQ(FormatInstallDir(L"D:\\"), L"D:\\\\KivraClient\\");
    EXPECT_EQ(FormatInstallDir(L"C:\\Program Files (x86)"),
              L"C:\\Program Files (x86)\\KivraClient\\");
}

TEST_F(MainWindow, WorkerMessagesMoveTheBarWithoutPainting) {
    Init(1);
    dlg.ShowWindow(SW_SHOWNA);
    uitest::PumpFor(50);
    int renders = dlg.RenderCount();
    EXPECT_EQ(uitest::SendFromWorker(dlg.m_hWnd, WM_UPDATE_PROGRESS, 37, 5000000), 1);
    EXPECT_EQ(dlg.ProgressBar->GetValue(), 37);
    EXPECT_EQ(dlg.TotalSize, 5000000.0);
    // The message returned before any drawing; many more are drawn together.
    EXPECT_EQ(dlg.RenderCount(), renders);
    for (int i = 38; i < 90; ++i)
        dlg.SendMessage(WM_UPDATE_PROGRESS, i, 5000000);
    EXPECT_EQ(dlg.RenderCount(), renders);
    uitest::PumpFor(100);
    EXPECT_GE(dlg.RenderCount(), renders + 1);
    EXPECT_LE(dlg.RenderCount(), renders + 2);

    EXPECT_EQ(uitest::SendFromWorker(dlg.m_hWnd, WM_UPDATE_PROGRESS, 100, 100), 1);
    EXPECT_EQ(dlg.ProgressBar->GetValue(), 100);
    EXPECT_EQ(dlg.TotalSize, 100.0);

    EXPECT_EQ(uitest::SendFromWorker(dlg.m_hWnd, WM_UPDATE_FAILED, 0, 0), 1);
    EXPECT_EQ(dlg.ProgressText->GetText(), L"下载失败");
    EXPECT_EQ(dlg.ProgressBar->GetValue(), 0);
    EXPECT_TRUE(IsWindow(dlg.m_hWnd));  // the window stays open
}

TEST_F(MainWindow, CloseEndsTheLoopWithCodeOne) {
    HWND hwnd = dlg.m_hWnd;
    EXPECT_EQ(uitest::SendFromWorker(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(App()->Run(hwnd), 1);  // the quit message is waiting
}

TEST_F(MainWindow, CloseButtonDestroysTheWindow) {
    Init(0);
    HWND hwnd = dlg.m_hWnd;
    ClickControl(&dlg, L"btn_close");
    EXPECT_FALSE(IsWindow(hwnd));
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 1u);
}

TEST_F(MainWindow, LinkShowsAHandCursor) {
    POINT p = uitest::CentreOf(Control(L"link_agreement"));
    dlg.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    dlg.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(dlg.m_hWnd),
                    MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    p = uitest::CentreOf(Control(L"edit_choose_url"));
    dlg.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    dlg.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(dlg.m_hWnd),
                    MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST(NamedIds, TableMatchesTheLayoutsNamedControls) {
    // Sorted by name, ordinal order; the start marker first.
    for (int i = 1; i < kMainNamedIdCount; ++i)
        EXPECT_LT(wcscmp(kMainNamedIds[i - 1].strName, kMainNamedIds[i].strName), 0) << i;
    EXPECT_STREQ(kMainNamedIds[0].strName, L"_name_start");
    EXPECT_EQ(kMainNamedIds[0].nID, 65535);
    // Every named control of the layout, in document order, has the next ID.
    App();
    CMainDlg dlg;
    ASSERT_NE(dlg.Create(nullptr), nullptr);
    std::vector<const ui::CControl*> named;
    std::vector<const ui::CControl*> stack{dlg.GetRoot()};
    while (!stack.empty()) {
        const ui::CControl* c = stack.back();
        stack.pop_back();
        if (!c->Name().empty() && c != dlg.GetRoot())
            named.push_back(c);
        for (auto it = c->Children().rbegin(); it != c->Children().rend(); ++it)
            stack.push_back(it->get());
    }
    ASSERT_EQ(named.size(), 17u);
    for (size_t i = 0; i < named.size(); ++i)
        EXPECT_EQ(named[i]->Id(), 65536 + static_cast<int>(i)) << named[i]->Name();
}

TEST(Resources, UiDefinitionAndIconAreRead) {
    const ui::CUiDef& def = App()->UiDef();
    EXPECT_EQ(def.defaultFont.face, L"宋体");
    EXPECT_EQ(def.defaultFont.size, 15);
    EXPECT_EQ(def.strings.at(L"ver"), L"1.0");
    EXPECT_EQ(def.strings.at(L"title"), L"");
    EXPECT_EQ(def.colors.at(L"red"), 0xFFFF0000u);
    EXPECT_EQ(def.colors.at(L"gray"), 0xFF808080u);
    EXPECT_EQ(def.colors.size(), 5u);
    // Style classes are kept although no control uses them.
    ASSERT_EQ(def.styles.size(), 2u);
    EXPECT_EQ(def.styles.at(L"normalbtn").at(L"textMode"), L"0x25");
    EXPECT_EQ(def.styles.at(L"cls_btn_weblink").at(L"fontHover"), L"underline:1,italic:1");
    EXPECT_TRUE(def.objattr.empty());
    // The icon group holds six 32-bit icons, 16 to 256 pixels square.
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(self, L"ICON_LOGO", MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(res, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(self, res)));
    ASSERT_NE(dir, nullptr);
    ASSERT_EQ(dir[4], 6);
    const int sizes[] = {16, 32, 48, 64, 128, 256};
    for (int i = 0; i < 6; ++i) {
        const BYTE* e = dir + 6 + 14 * i;  // width, height, colours, reserved, planes, bits
        EXPECT_EQ(e[0] == 0 ? 256 : e[0], sizes[i]);
        EXPECT_EQ(e[6] | (e[7] << 8), 32);
    }
}

TEST(Resources, OnlyTheGdiPlusDecoderIsBuiltIn) {
    for (const wchar_t* name : {L"imgdecoder-wic", L"imgdecoder-stb", L"imgdecoder-png"}) {
        EXPECT_TRUE(ui::IsKnownImageDecoderName(name)) << name;
        EXPECT_EQ(ui::CreateImageDecoder(name), nullptr) << name;
    }
    EXPECT_FALSE(ui::IsKnownImageDecoderName(L"imgdecoder-jpeg"));
    EXPECT_EQ(ui::CreateImageDecoder(L"imgdecoder-jpeg"), nullptr);
    std::unique_ptr<ui::IImgDecoder> gdip = ui::CreateImageDecoder(L"imgdecoder-gdip");
    ASSERT_NE(gdip, nullptr);
    ui::CPixmap pixmap;
    const char notAnImage[] = "not an image";
    EXPECT_FALSE(gdip->Decode(notAnImage, sizeof(notAnImage), &pixmap));
    EXPECT_TRUE(pixmap.IsEmpty());
}

// --- bad resources ---------------------------------------------------------------

std::vector<uint8_t> Bytes(const char* text) {
    return std::vector<uint8_t>(text, text + strlen(text));
}

TEST(BadResources, MissingImagesLeaveTheirSkinsEmpty) {
    App();
    const ui::CSkin* missing = App()->GetSkin(L"skin_traymenu_icons");
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->IsEmpty());
    EXPECT_EQ(missing->States(), 9);
    // Drawing an empty skin touches nothing.
    uint32_t px[4] = {1, 2, 3, 4};
    ui::CCanvas canvas;
    canvas.width = canvas.height = 2;
    canvas.pixels = px;
    missing->Draw(&canvas, canvas.Bounds(), 0, canvas.Bounds());
    EXPECT_EQ(px[3], 4u);
    // The packed ones decode at their sizes, cut into their states.
    struct Case {
        const wchar_t* skin;
        int stateWidth, height, states;
    };
    const Case kCases[] = {
        {L"skin_buttonlogin", 180, 40, 3},   {L"skin_close", 18, 18, 3},
        {L"skin_login_checkbox", 14, 14, 8}, {L"skin_imgbk", 840, 580, 1},
        {L"skin_main_edit", 203, 32, 3},     {L"skin_radio选择", 24, 8, 8},
        {L"skin_progress_bkg", 20, 8, 1},    {L"skin_zplogo", 148, 132, 1},
    };
    for (const Case& c : kCases) {
        const ui::CSkin* s = App()->GetSkin(c.skin);
        ASSERT_NE(s, nullptr) << c.skin;
        EXPECT_EQ(s->StateSize().cx, c.stateWidth) << c.skin;
        EXPECT_EQ(s->StateSize().cy, c.height) << c.skin;
        EXPECT_EQ(s->States(), c.states) << c.skin;
    }
    const ui::CSkin* frame = App()->GetSkin(L"skin_progress_frg");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetKind(), ui::CSkin::Kind::Frame);
    int l, t, r, b;
    frame->Margins(&l, &t, &r, &b);
    EXPECT_EQ(l + t * 10 + r * 100 + b * 1000, 5 + 10 + 500 + 1000);
}

TEST(BadResources, UnknownKindsAndAttributesAreSkipped) {
    App();
    const char* layout =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<hostwnd width=\"300\" height=\"200\" wobble=\"3\"><root>"
        "  <text name=\"first\" pos=\"10,10\" frobnicate=\"1\" colorText=\"#ff0000\">A</text>"
        "  <gizmo name=\"odd\" pos=\"0,0,50,50\"><text name=\"inner\" pos=\"0,0\">B</text></gizmo>"
        "  <img name=\"noimage\" pos=\"[5,{0\" skin=\"skin_img_1\"/>"
        "  <imgbtn name=\"noskin\" pos=\"0,100\" skin=\"skin_that_is_not_there\">C</imgbtn>"
        "  <progress name=\"bar\" pos=\"0,150,@100,@8\" value=\"250\"/>"
        "</root></hostwnd>";
    ui::CHostWnd host(L"");
    ASSERT_NE(host.CreateFromXml(Bytes(layout), nullptr), nullptr);
    EXPECT_NE(host.FindChildByName(L"first"), nullptr);
    EXPECT_EQ(host.FindChildByName(L"odd"), nullptr);
    EXPECT_EQ(host.FindChildByName(L"inner"), nullptr);  // skipped with its parent
    ui::CControl* img = host.FindChildByName(L"noimage");
    ASSERT_NE(img, nullptr);
    // The previous sibling is the text (the unknown element left no trace).
    EXPECT_EQ(img->GetWindowRect().left, host.FindChildByName(L"first")->GetWindowRect().right + 5);
    EXPECT_TRUE(img->GetWindowRect().IsEmpty());  // an empty skin has no size
    EXPECT_NE(host.FindChildByName(L"noskin"), nullptr);
    ui::CProgress* bar = host.FindChildByName2<ui::CProgress>(L"bar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetValue(), 100);  // clamped to the range
    host.RenderNow();                 // drawing what is there does not fail
    EXPECT_EQ(host.RenderCount(), 2);
}

TEST(BadResources, UnreadableLayoutsGiveNoWindow) {
    App();
    ui::CHostWnd broken(L"");
    EXPECT_EQ(broken.CreateFromXml(Bytes("<hostwnd><root><text"), nullptr), nullptr);
    ui::CHostWnd empty(L"");
    EXPECT_EQ(empty.CreateFromXml(std::vector<uint8_t>(), nullptr), nullptr);
    ui::CHostWnd missing(L"LAYOUT:NO_SUCH_LAYOUT");
    EXPECT_EQ(missing.Create(nullptr), nullptr);
}

}  // namespace
