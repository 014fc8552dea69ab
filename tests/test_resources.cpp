// The resource set, read back from the built Quillmark.exe.
#include "test_support.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/resource.h"

namespace {

const WORD English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Quillmark.exe sits one folder above the test programs.
HMODULE LoadProgram()
{
    static HMODULE program = [] {
        WCHAR path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring name(path);
        name.resize(name.find_last_of(L"\\/"));
        name.resize(name.find_last_of(L"\\/") + 1);
        name += L"Quillmark.exe";
        return LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }();
    return program;
}

struct RawResource {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

RawResource Find(LPCWSTR type, WORD id)
{
    RawResource raw;
    HRSRC found = FindResourceExW(LoadProgram(), type, MAKEINTRESOURCEW(id), English);
    if (found) {
        raw.data = static_cast<const BYTE*>(LockResource(LoadResource(LoadProgram(), found)));
        raw.size = SizeofResource(LoadProgram(), found);
    }
    return raw;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::wstring ItemText(HMENU menu, int position)
{
    WCHAR text[64] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = ARRAYSIZE(text);
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return text;
}

// A menu flattened into lines "depth label id" (id 0 for popups) with the
// problems of each item appended.
void Walk(HMENU menu, int depth, std::vector<std::string>& lines)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
        ASSERT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info));
        std::string line = std::to_string(depth) + " " + Narrow(ItemText(menu, i)) + " " +
                           std::to_string(info.hSubMenu ? 0 : info.wID);
        if (info.fState & (MFS_CHECKED | MFS_GRAYED | MFS_DISABLED))
            line += " state=" + std::to_string(info.fState);
        if (info.fType & ~MFT_STRING)
            line += " type=" + std::to_string(info.fType);
        lines.push_back(line);
        if (info.hSubMenu)
            Walk(info.hSubMenu, depth + 1, lines);
    }
}

// The raw menu template flattened the same way; the flags of each item other
// than MF_POPUP and MF_END are appended.
const BYTE* WalkTemplate(const BYTE* at, int depth, std::vector<std::string>& lines)
{
    for (;;) {
        WORD flags, id = 0;
        std::memcpy(&flags, at, 2);
        at += 2;
        if (!(flags & MF_POPUP)) {
            std::memcpy(&id, at, 2);
            at += 2;
        }
        std::string label;
        for (WORD c; std::memcpy(&c, at, 2), at += 2, c;)
            label += static_cast<char>(c);
        std::string line = std::to_string(depth) + " " + label + " " + std::to_string(id);
        if (flags & ~(MF_POPUP | MF_END))
            line += " flags=" + std::to_string(flags);
        lines.push_back(line);
        if (flags & MF_POPUP)
            at = WalkTemplate(at, depth + 1, lines);
        if (flags & MF_END)
            return at;
    }
}

const std::vector<std::string> expectedMenu = {
    "0 &File 0",         "1 E&xit 105",       "0 &Help 0",         "1 &About ... 104",
    "0 Drawing 0",       "1 Shapes 0",        "2 Rectangle 32772", "2 Ellipse 32773",
    "1 Filled Shapes 0", "2 Rectangle 32775", "2 Ellipse 32776",   "1 Line Tool 32777",
    "1 Pencil 32784",    "1 Eraser 32786",    "0 Colours 0",       "1 Choose 32780",
    "1  32781",          "0 Clear 32783",
};

} // namespace

TEST(Resources, ProgramLoads)
{
    ASSERT_NE(nullptr, LoadProgram()) << "error " << GetLastError();
}

TEST(Resources, ExactlyTheExpectedTypes)
{
    std::set<ULONG_PTR> types;
    EnumResourceTypesW(
        LoadProgram(),
        [](HMODULE, LPWSTR type, LONG_PTR found) -> BOOL {
            reinterpret_cast<std::set<ULONG_PTR>*>(found)->insert(
                IS_INTRESOURCE(type) ? reinterpret_cast<ULONG_PTR>(type) : ~ULONG_PTR(0));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&types));
    std::set<ULONG_PTR> expected = {
        3 /*icon*/,        4 /*menu*/, 5 /*dialog*/, 6 /*string*/, 9 /*accelerator*/,
        14 /*icon group*/, 24 /*manifest*/};
    EXPECT_EQ(expected, types);
    EXPECT_EQ(nullptr, FindResourceW(LoadProgram(), MAKEINTRESOURCEW(1), RT_VERSION));
}

TEST(Resources, MenuIsStandardTemplateInEnglish)
{
    RawResource raw = Find(RT_MENU, MenuMain);
    ASSERT_NE(nullptr, raw.data);
    WORD version, headerSize;
    std::memcpy(&version, raw.data, sizeof(version));
    std::memcpy(&headerSize, raw.data + 2, sizeof(headerSize));
    EXPECT_EQ(0, version) << "1 would be an extended menu template";
    EXPECT_EQ(0, headerSize);
}

// Every item as written: labels, identifiers, order, and no item checked,
// greyed or disabled. The unlabelled item is a plain item, not a separator.
TEST(Resources, MenuTemplateItems)
{
    RawResource raw = Find(RT_MENU, MenuMain);
    ASSERT_NE(nullptr, raw.data);
    std::vector<std::string> lines;
    WalkTemplate(raw.data + 4, 0, lines);
    EXPECT_EQ(expectedMenu, lines);
}

// The menu as the platform loads it. An item with an empty label is shown
// by the platform as a separator line; every other item is as written.
TEST(Resources, LoadedMenu)
{
    HMENU menu = LoadMenuW(LoadProgram(), MAKEINTRESOURCEW(MenuMain));
    ASSERT_NE(nullptr, menu);
    std::vector<std::string> lines;
    Walk(menu, 0, lines);
    ASSERT_EQ(expectedMenu.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (expectedMenu[i] == "1  32781")
            EXPECT_EQ(0u, lines[i].find(expectedMenu[i])) << lines[i];
        else
            EXPECT_EQ(expectedMenu[i], lines[i]);
    }
    DestroyMenu(menu);
}

TEST(Resources, ClearIsACommandOnTheBar)
{
    HMENU menu = LoadMenuW(LoadProgram(), MAKEINTRESOURCEW(MenuMain));
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(5, GetMenuItemCount(menu));
    EXPECT_EQ(nullptr, GetSubMenu(menu, 4));
    EXPECT_EQ(static_cast<UINT>(CmdClear), GetMenuItemID(menu, 4));
    DestroyMenu(menu);
}

TEST(Resources, AcceleratorsAreAltCharacters)
{
    HACCEL table = LoadAcceleratorsW(LoadProgram(), MAKEINTRESOURCEW(AccelMain));
    ASSERT_NE(nullptr, table);
    ACCEL entries[4] = {};
    ASSERT_EQ(2, CopyAcceleratorTableW(table, entries, 4));
    const WORD keys[] = {'?', '/'};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(FALT, entries[i].fVirt & ~FNOINVERT)
            << "entry " << i << ": fVirt " << int(entries[i].fVirt);
        EXPECT_EQ(keys[i], entries[i].key) << "entry " << i;
        EXPECT_EQ(CmdAbout, entries[i].cmd) << "entry " << i;
    }
    DestroyAcceleratorTable(table);
}

TEST(Resources, Strings)
{
    const struct {
        UINT id;
        const wchar_t* text;
    } strings[] = {{StrAppTitle, L"Quillmark"}, {StrWindowClass, L"MYQUILLMARK"}};
    for (const auto& s : strings) {
        WCHAR text[100] = {};
        EXPECT_EQ(static_cast<int>(wcslen(s.text)), LoadStringW(LoadProgram(), s.id, text, 100))
            << "string " << s.id;
        EXPECT_STREQ(s.text, text) << "string " << s.id;
    }
}

// Reads an extended dialog template field by field.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : start_(data), at_(data) {}
    WORD Word()
    {
        WORD v;
        std::memcpy(&v, at_, 2);
        at_ += 2;
        return v;
    }
    DWORD Dword()
    {
        DWORD v;
        std::memcpy(&v, at_, 4);
        at_ += 4;
        return v;
    }
    BYTE Byte() { return *at_++; }
    // A string or, after 0xFFFF, an ordinal written as "#n".
    std::string SzOrOrd()
    {
        WORD first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string text;
        for (WORD c = first; c; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    void AlignDword() { at_ = start_ + ((at_ - start_ + 3) & ~3); }

private:
    const BYTE* start_;
    const BYTE* at_;
};

TEST(Resources, AboutDialogTemplate)
{
    RawResource raw = Find(RT_DIALOG, DlgAbout);
    ASSERT_NE(nullptr, raw.data);
    TemplateReader t(raw.data);
    EXPECT_EQ(1, t.Word()) << "dlgVer";
    EXPECT_EQ(0xFFFF, t.Word()) << "signature: an extended template";
    EXPECT_EQ(0u, t.Dword()) << "help id";
    EXPECT_EQ(0u, t.Dword()) << "extended style";
    DWORD style = t.Dword();
    EXPECT_EQ(DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS),
              style)
        << std::hex << style;
    WORD count = t.Word();
    EXPECT_EQ(4, count);
    EXPECT_EQ(0, short(t.Word()));
    EXPECT_EQ(0, short(t.Word()));
    EXPECT_EQ(170, short(t.Word()));
    EXPECT_EQ(62, short(t.Word()));
    EXPECT_EQ("", t.SzOrOrd()) << "menu";
    EXPECT_EQ("", t.SzOrOrd()) << "class";
    EXPECT_EQ("About Quillmark", t.SzOrOrd());
    EXPECT_EQ(8, t.Word()) << "point size";
    EXPECT_EQ(0, t.Word()) << "weight";
    EXPECT_EQ(0, t.Byte()) << "italic";
    EXPECT_EQ(1, t.Byte()) << "character set";
    EXPECT_EQ("MS Shell Dlg", t.SzOrOrd());

    const struct {
        const char* cls;
        DWORD style;
        short x, y, cx, cy;
        int id;
        const char* text;
    } controls[] = {
        {"#130", SS_ICON | WS_CHILD | WS_VISIBLE, 14, 14, 21, 20, -1, "#128"},
        {"#130", SS_LEFT | SS_NOPREFIX | WS_GROUP | WS_CHILD | WS_VISIBLE, 42, 14, 114, 8, -1,
         "Quillmark, Version " QUILLMARK_PROJECT_VERSION},
        {"#130", SS_LEFT | WS_GROUP | WS_CHILD | WS_VISIBLE, 42, 26, 114, 8, -1, nullptr},
        {"#128", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP | WS_CHILD | WS_VISIBLE, 113, 41, 50, 14,
         IDOK, "OK"},
    };
    for (int i = 0; i < count && i < 4; ++i) {
        const auto& c = controls[i];
        t.AlignDword();
        EXPECT_EQ(0u, t.Dword()) << "control " << i << " help id";
        EXPECT_EQ(0u, t.Dword()) << "control " << i << " extended style";
        DWORD controlStyle = t.Dword();
        EXPECT_EQ(c.style, controlStyle)
            << "control " << i << std::hex << " style " << controlStyle;
        EXPECT_EQ(c.x, short(t.Word())) << "control " << i;
        EXPECT_EQ(c.y, short(t.Word())) << "control " << i;
        EXPECT_EQ(c.cx, short(t.Word())) << "control " << i;
        EXPECT_EQ(c.cy, short(t.Word())) << "control " << i;
        EXPECT_EQ(c.id, int(t.Dword())) << "control " << i;
        // The predefined classes as ordinals, as Microsoft's resource compiler
        // stores them: 0x0082 static, 0x0080 button.
        EXPECT_EQ(c.cls, t.SzOrOrd()) << "control " << i << " class";
        std::string text = t.SzOrOrd();
        if (c.text)
            EXPECT_EQ(c.text, text) << "control " << i;
        else
            EXPECT_FALSE(text.empty()) << "control " << i << " has a line of text";
        EXPECT_EQ(0, t.Word()) << "control " << i << " creation data";
    }
}

TEST(Resources, IconGroupsHoldTwo32PixelImages)
{
    for (WORD group : {WORD(IconLarge), WORD(IconSmall)}) {
        RawResource raw = Find(RT_GROUP_ICON, group);
        ASSERT_NE(nullptr, raw.data) << "group " << group;
        TemplateReader t(raw.data);
        EXPECT_EQ(0, t.Word());
        EXPECT_EQ(1, t.Word()) << "type: icon";
        WORD count = t.Word();
        ASSERT_EQ(2, count) << "group " << group;
        std::set<int> depths;
        for (int i = 0; i < count; ++i) {
            int width = t.Byte(), height = t.Byte();
            t.Byte(); // colour count
            t.Byte();
            t.Word(); // planes
            int bits = t.Word();
            t.Dword();
            WORD id = t.Word();
            EXPECT_EQ(32, width) << "group " << group << " image " << i;
            EXPECT_EQ(32, height) << "group " << group << " image " << i;
            depths.insert(bits);
            // The image itself says the same.
            RawResource image = Find(RT_ICON, id);
            ASSERT_NE(nullptr, image.data) << "icon " << id;
            BITMAPINFOHEADER header;
            std::memcpy(&header, image.data, sizeof(header));
            EXPECT_EQ(32, header.biWidth) << "icon " << id;
            EXPECT_EQ(64, header.biHeight) << "icon " << id << ": image and mask";
            EXPECT_EQ(bits, header.biBitCount) << "icon " << id;
        }
        EXPECT_EQ((std::set<int>{4, 8}), depths) << "group " << group;
    }
}

TEST(Resources, ManifestAsksOnlyForAsInvoker)
{
    RawResource raw = Find(MAKEINTRESOURCEW(24), 1);
    ASSERT_NE(nullptr, raw.data);
    std::string text(reinterpret_cast<const char*>(raw.data), raw.size);
    EXPECT_NE(std::string::npos, text.find("level=\"asInvoker\"")) << text;
    EXPECT_NE(std::string::npos, text.find("uiAccess=\"false\"")) << text;
    for (const char* other : {"dependency", "compatibility", "windowsSettings", "dpiAware"})
        EXPECT_EQ(std::string::npos, text.find(other)) << other;
}
