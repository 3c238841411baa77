// The position notation and the attribute values of layouts, as pure code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/attr_value.h"
#include "ui/canvas.h"
#include "ui/named_id.h"
#include "ui/position.h"

using ui::CRect;
using ui::LayoutItem;

namespace {

LayoutItem Item(const wchar_t* pos, int w = -1, int h = -1, int cw = 0, int ch = 0, double ox = 0,
                double oy = 0) {
    LayoutItem item;
    if (pos) {
        EXPECT_TRUE(ui::ParsePos(pos, &item.pos)) << pos;
    }
    item.width = w;
    item.height = h;
    item.content.cx = cw;
    item.content.cy = ch;
    item.offsetX = ox;
    item.offsetY = oy;
    return item;
}

std::string Str(const CRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

}  // namespace

// One control in a 100,200 - 300,400 parent (200 x 200), after a sibling at
// 120,220 - 150,260 and before one at 200,300 - 260,350.
TEST(PositionNotation, EachPrefixPlacesOneControl) {
    struct Case {
        const wchar_t* pos;
        int width, height;  // explicit size (-1: none)
        double ox, oy;
        CRect expected;
    };
    const Case kCases[] = {
        {L"10,20", 30, 40, 0, 0, {110, 220, 140, 260}},          // from the near edges
        {L"-10,-20", 30, 40, 0, 0, {290, 380, 320, 420}},        // from the far edges
        {L"10,20,-10,-20", -1, -1, 0, 0, {110, 220, 290, 380}},  // four coordinates
        {L"0,0,-0,-0", -1, -1, 0, 0, {100, 200, 300, 400}},      // -0 is the far edge
        {L"|0,|0", 30, 40, 0, 0, {200, 300, 230, 340}},          // centre
        {L"|-15,|20", 30, 40, 0, 0, {185, 320, 215, 360}},       // centre, signed
        {L"%25,%50", 30, 40, 0, 0, {150, 300, 180, 340}},        // percent
        {L"%-25,%-10", 30, 40, 0, 0, {250, 380, 280, 420}},      // percent from far edge
        {L"%10,%10,%90,%90", -1, -1, 0, 0, {120, 220, 280, 380}},
        {L"[5,[-5", 30, 40, 0, 0, {155, 255, 185, 295}},         // previous far edges
        {L"{5,{0", 30, 40, 0, 0, {125, 220, 155, 260}},          // previous near edges
        {L"]-30,]0", 30, 40, 0, 0, {170, 300, 200, 340}},        // next near edges
        {L"}0,}-40", 30, 40, 0, 0, {260, 310, 290, 350}},        // next far edges
        {L"10,20,@50,@60", -1, -1, 0, 0, {110, 220, 160, 280}},  // @ sizes
        {L"|0,[40", 180, 40, -0.5, 0, {110, 300, 290, 340}},     // offset centres
        {L"|0,|0", 148, 132, -0.5, -0.9, {126, 181, 274, 313}},  // the logo's offset
        {L"0,[10,-0,-0", -1, 8, 0, 0, {100, 270, 300, 278}},     // explicit height wins
        {L"10,20,5,5", -1, -1, 0, 0, {110, 220, 110, 220}},      // inverted: empty
    };
    for (const Case& c : kCases) {
        std::vector<LayoutItem> items = {Item(L"20,20,@30,@40"),
                                         Item(c.pos, c.width, c.height, 0, 0, c.ox, c.oy),
                                         Item(L"100,100,@60,@50")};
        std::vector<CRect> r = ui::LayoutChildren(CRect(100, 200, 300, 400), items);
        EXPECT_EQ(Str(r[1]), Str(c.expected)) << c.pos;
    }
}

TEST(PositionNotation, SizeComesFromAttributesOrContent) {
    CRect parent(0, 0, 500, 300);
    std::vector<LayoutItem> items = {
        Item(L"10,10", -1, -1, 70, 19),   // from content
        Item(L"[10,{0", -1, 30, 90, 32),  // explicit height, content width
        Item(L"0,0", 50, 60, 70, 19),     // explicit size beats content
        Item(nullptr, -1, -1, 12, 13),    // no pos: top-left, content size
    };
    std::vector<CRect> r = ui::LayoutChildren(parent, items);
    EXPECT_EQ(Str(r[0]), "10,10,80,29");
    EXPECT_EQ(Str(r[1]), "90,10,180,40");
    EXPECT_EQ(Str(r[2]), "0,0,50,60");
    EXPECT_EQ(Str(r[3]), "0,0,12,13");
}

TEST(PositionNotation, SiblingReferencesChainAndFallBack) {
    CRect parent(0, 0, 400, 100);
    // The first refers to the next, which is placed first; a missing previous
    // sibling is the parent's near edge, a missing next one its far edge.
    std::vector<LayoutItem> items = {Item(L"]-50,0", 40, 10), Item(L"200,0", 40, 10),
                                     Item(L"[5,[5", 10, 10), Item(L"}-20,0", 10, 10)};
    std::vector<CRect> r = ui::LayoutChildren(parent, items);
    EXPECT_EQ(Str(r[0]), "150,0,190,10");
    EXPECT_EQ(Str(r[2]), "245,15,255,25");
    EXPECT_EQ(Str(r[3]), "380,0,390,10");
    std::vector<CRect> alone = ui::LayoutChildren(parent, {Item(L"[7,{3", 10, 10)});
    EXPECT_EQ(Str(alone[0]), "7,3,17,13");
    // Two siblings pointing at each other still get placed.
    std::vector<CRect> cycle =
        ui::LayoutChildren(parent, {Item(L"]0,0", 10, 10), Item(L"[0,0", 10, 10)});
    EXPECT_EQ(cycle.size(), 2u);
}

TEST(PositionNotation, MalformedValuesAreRejected) {
    const wchar_t* kBad[] = {L"",    L"1",    L"1,2,3", L"1,2,3,4,5", L"@1,2",  L"1,@2",
                             L"a,b", L"1,2x", L"|,0",   L"--1,0",     L"1,,2,3"};
    for (const wchar_t* text : kBad) {
        ui::PosSpec spec;
        EXPECT_FALSE(ui::ParsePos(text, &spec)) << text;
        EXPECT_EQ(spec.count, 0);
    }
    ui::PosSpec spec;
    ASSERT_TRUE(ui::ParsePos(L" -0 , |5 ,@10, @20", &spec));
    EXPECT_TRUE(spec.coord[0].negative);
    EXPECT_EQ(spec.coord[1].anchor, ui::PosAnchor::Center);
    EXPECT_EQ(spec.coord[3].anchor, ui::PosAnchor::Size);
}

TEST(AttributeValues, Colors) {
    struct Case {
        const wchar_t* text;
        bool ok;
        ui::Argb argb;
    };
    const Case kCases[] = {
        {L"#ffffff", true, 0xFFFFFFFF},
        {L"#6C8BA9", true, 0xFF6C8BA9},
        {L"#11223344", true, 0x44112233},
        {L"rgb(255,0,0)", true, 0xFFFF0000},
        {L"RGB( 0, 0, 255 )", true, 0xFF0000FF},
        {L"rgba(1,2,3,4)", true, 0x04010203},
        {L"#fff", false, 0},
        {L"rgb(256,0,0)", false, 0},
        {L"rgb(1,2)", false, 0},
        {L"#gg0000", false, 0},
        {L"red", false, 0},
    };
    for (const Case& c : kCases) {
        ui::Argb v = 0xDEADBEEF;
        EXPECT_EQ(ui::ParseColor(c.text, &v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.argb : 0xDEADBEEF) << c.text;
    }
}

TEST(AttributeValues, FontsMergeOntoTheDefault) {
    ui::FontSpec base;
    base.face = L"宋体";
    base.size = 15;
    ui::FontSpec f = ui::ParseFontSpec(L"face:微软雅黑,bold:0,size:18").MergedOnto(base);
    EXPECT_EQ(f.face, L"微软雅黑");
    EXPECT_EQ(f.size, 18);
    EXPECT_EQ(f.bold, 0);
    ui::FontSpec hover = ui::ParseFontSpec(L"underline:1,italic:1").MergedOnto(f);
    EXPECT_EQ(hover.face, L"微软雅黑");
    EXPECT_EQ(hover.underline, 1);
    EXPECT_EQ(hover.italic, 1);
    // Unknown keys and malformed numbers change nothing.
    EXPECT_TRUE(ui::ParseFontSpec(L"adding:0,size:x").MergedOnto(base) == base);
}

TEST(NamedIdTable, CopiesSortsAndLooksUp) {
    ui::SNamedID unsorted[] = {{L"zeta", 3}, {L"Alpha", 1}, {L"_mid", 2}};
    ui::CNamedIdTable table;
    table.Init(unsorted, 3, false);
    unsorted[0].nID = 99;  // the table keeps its own copy
    EXPECT_EQ(table.IdOf(L"zeta"), 3);
    EXPECT_EQ(table.IdOf(L"Alpha"), 1);
    EXPECT_EQ(table.IdOf(L"alpha"), 0);  // ordinal, case-sensitive
    EXPECT_EQ(table.IdOf(L""), 0);
    EXPECT_EQ(std::wstring(table.Entries()[0].strName), L"Alpha");
    table.Init(unsorted, 1, true);  // a later table replaces the earlier one
    EXPECT_EQ(table.IdOf(L"Alpha"), 0);
    EXPECT_EQ(table.IdOf(L"zeta"), 99);
}

TEST(Canvas, NineGridKeepsCornersAndBlendsPremultiplied) {
    // A 4x4 frame image: opaque red corners, half-transparent white elsewhere.
    ui::CPixmap img;
    img.width = img.height = 4;
    img.pixels.assign(16, ui::Premultiply(0x80FFFFFF));
    for (int i : {0, 3, 12, 15})
        img.pixels[i] = 0xFFFF0000;
    std::vector<uint32_t> px(20 * 10, 0xFF000000);
    ui::CCanvas canvas;
    canvas.width = 20;
    canvas.height = 10;
    canvas.pixels = px.data();
    ui::DrawNineGrid(&canvas, CRect(0, 0, 20, 10), img, CRect(0, 0, 4, 4), 1, 1, 1, 1,
                     canvas.Bounds(), 255);
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[19], 0xFFFF0000u);
    EXPECT_EQ(px[9 * 20], 0xFFFF0000u);
    EXPECT_EQ(px[9 * 20 + 19], 0xFFFF0000u);
    EXPECT_EQ(px[1], 0xFF808080u);  // half white over black
    EXPECT_EQ(px[5 * 20 + 10], 0xFF808080u);
    // Clipping leaves the rest alone.
    std::fill(px.begin(), px.end(), 0u);
    ui::FillRect(&canvas, CRect(-5, -5, 50, 50), 0xFF00FF00, CRect(2, 2, 4, 4));
    EXPECT_EQ(px[2 * 20 + 2], 0xFF00FF00u);
    EXPECT_EQ(px[2 * 20 + 4], 0u);
    EXPECT_EQ(px[1 * 20 + 2], 0u);
}
