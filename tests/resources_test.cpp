// resources_test.cpp: the version information, icon and manifest that the
// built Orvane.exe carries, read back as Windows reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "resource.h"

namespace {

// The build gives a Unix path; under Wine drive Z: is the Unix root.
std::wstring exePath() {
    std::string path = ORVANE_EXE;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.starts_with('\\')) path.insert(0, "Z:");
    return std::wstring(path.begin(), path.end());
}

// One node of a VS_VERSIONINFO tree: a key, its value's bytes and children.
struct VersionNode {
    std::wstring key;
    std::vector<BYTE> value;
    std::vector<VersionNode> children;
};

// Walks the version resource as Windows lays it out: wLength, wValueLength,
// wType, the key, padding to 32 bits, the value, padding, the children.
VersionNode parseVersionNode(const BYTE* at, size_t available) {
    VersionNode node;
    WORD length = 0, valueLength = 0, type = 0;
    std::memcpy(&length, at, 2);
    std::memcpy(&valueLength, at + 2, 2);
    std::memcpy(&type, at + 4, 2);
    if (length < 6 || length > available) throw std::runtime_error("bad version block length");
    const auto* key = reinterpret_cast<const wchar_t*>(at + 6);
    node.key = key;
    auto align = [](size_t n) { return (n + 3) & ~size_t{3}; };
    size_t offset = align(6 + (node.key.size() + 1) * sizeof(wchar_t));
    // Text values (type 1) count their length in characters, binary ones in bytes.
    size_t valueBytes = type == 1 ? valueLength * sizeof(wchar_t) : valueLength;
    if (offset + valueBytes > length) throw std::runtime_error("bad version value length");
    node.value.assign(at + offset, at + offset + valueBytes);
    offset = align(offset + valueBytes);
    while (offset + 6 <= length) {
        WORD childLength = 0;
        std::memcpy(&childLength, at + offset, 2);
        if (childLength == 0) break;
        node.children.push_back(parseVersionNode(at + offset, length - offset));
        offset = align(offset + childLength);
    }
    return node;
}

std::vector<BYTE> versionData() {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(exePath().c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(exePath().c_str(), 0, size, data.data())) return {};
    return data;
}

// Orvane.exe loaded as data, for its resources.
struct ExeResources {
    HMODULE module = LoadLibraryExW(exePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ~ExeResources() {
        if (module) FreeLibrary(module);
    }
    ExeResources() = default;
    ExeResources(const ExeResources&) = delete;
    ExeResources& operator=(const ExeResources&) = delete;

    std::vector<BYTE> resource(LPCWSTR name, LPCWSTR type) const {
        HRSRC found = FindResourceW(module, name, type);
        if (!found) return {};
        HGLOBAL loaded = LoadResource(module, found);
        const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
        if (!bytes) return {};
        return {bytes, bytes + SizeofResource(module, found)};
    }
};

BOOL CALLBACK collectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    reinterpret_cast<std::vector<std::wstring>*>(names)->push_back(
        IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name));
    return TRUE;
}

std::vector<std::wstring> resourceNames(HMODULE module, LPCWSTR type) {
    std::vector<std::wstring> names;
    EnumResourceNamesW(module, type, collectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

TEST(VersionInfo, FixedPartIsVersion1ApplicationFor32BitWindows) {
    std::vector<BYTE> data = versionData();
    ASSERT_FALSE(data.empty()) << "no version information in Orvane.exe";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    ASSERT_EQ(size, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileSubtype, 0u);
}

TEST(VersionInfo, StringsReadBackThroughTheUSEnglishUnicodeTable) {
    std::vector<BYTE> data = versionData();
    ASSERT_FALSE(data.empty()) << "no version information in Orvane.exe";
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"ProductName", L"Orvane"},      {L"FileVersion", L"1.00"},
        {L"ProductVersion", L"1.00"},     {L"InternalName", L"Orvane"},
        {L"OriginalFilename", L"Orvane.exe"},
    };
    for (const auto& [key, value] : expected) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        wchar_t* text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
            << "missing " << query;
        EXPECT_EQ(std::wstring(text), value) << key;
    }

    DWORD* translation = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &size));
    ASSERT_EQ(size, sizeof(DWORD)) << "exactly one translation";
    EXPECT_EQ(LOWORD(*translation), 0x0409);
    EXPECT_EQ(HIWORD(*translation), 1200);
}

// VerQueryValueW finds a key but cannot tell what else is there; the tree
// itself shows that there is one table and nothing beside its five strings.
TEST(VersionInfo, HasOneStringTableWithExactlyTheFiveKeys) {
    std::vector<BYTE> data = versionData();
    ASSERT_FALSE(data.empty()) << "no version information in Orvane.exe";
    VersionNode root = parseVersionNode(data.data(), data.size());
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");

    std::map<std::wstring, const VersionNode*> blocks;
    for (const VersionNode& child : root.children) blocks[child.key] = &child;
    ASSERT_EQ(blocks.size(), 2u);
    ASSERT_TRUE(blocks.count(L"StringFileInfo"));
    ASSERT_TRUE(blocks.count(L"VarFileInfo"));

    const VersionNode& strings = *blocks[L"StringFileInfo"];
    ASSERT_EQ(strings.children.size(), 1u);
    const VersionNode& table = strings.children[0];
    EXPECT_EQ(table.key, L"040904B0");

    std::vector<std::wstring> keys;
    for (const VersionNode& value : table.children) keys.push_back(value.key);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"FileVersion", L"InternalName", L"OriginalFilename",
                                                 L"ProductName", L"ProductVersion"}));
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST(Icon, IsTheOnlyIconGroupWithThreeImagesInTheirSizesAndDepths) {
    ExeResources exe;
    ASSERT_NE(exe.module, nullptr) << "cannot load Orvane.exe as data: " << GetLastError();
    // The shell shows the first icon group; there is just ours.
    EXPECT_EQ(resourceNames(exe.module, RT_GROUP_ICON), std::vector<std::wstring>{std::to_wstring(IDI_ORVANE)});

    std::vector<BYTE> group = exe.resource(MAKEINTRESOURCEW(IDI_ORVANE), RT_GROUP_ICON);
    ASSERT_GE(group.size(), 6u);
    WORD header[3];
    std::memcpy(header, group.data(), sizeof header);
    EXPECT_EQ(header[0], 0);  // reserved
    EXPECT_EQ(header[1], 1);  // icons, not cursors
    ASSERT_EQ(header[2], 3);
    ASSERT_EQ(group.size(), 6 + 3 * sizeof(GroupIconEntry));

    // (width, height, colours, bits per pixel), from the directory and from
    // each image's own bitmap header, which is what Windows draws from.
    using Image = std::tuple<int, int, int, int>;
    std::vector<Image> listed, drawn;
    for (int i = 0; i < 3; ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.planes, 1);
        listed.emplace_back(entry.width, entry.height, entry.colourCount, entry.bitCount);

        std::vector<BYTE> image = exe.resource(MAKEINTRESOURCEW(entry.id), RT_ICON);
        ASSERT_EQ(image.size(), entry.bytesInRes) << "image " << entry.id;
        BITMAPINFOHEADER bitmap;
        ASSERT_GE(image.size(), sizeof bitmap);
        std::memcpy(&bitmap, image.data(), sizeof bitmap);
        EXPECT_EQ(bitmap.biHeight, 2 * bitmap.biWidth) << "colour bits and mask, image " << entry.id;
        EXPECT_EQ(bitmap.biCompression, static_cast<DWORD>(BI_RGB));
        drawn.emplace_back(bitmap.biWidth, bitmap.biHeight / 2, 1 << bitmap.biBitCount, bitmap.biBitCount);

        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000,
                                              entry.width, entry.height, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << "Windows cannot make an icon of image " << entry.id;
        if (icon) DestroyIcon(icon);
    }
    const std::vector<Image> expected = {{16, 16, 16, 4}, {32, 32, 2, 1}, {32, 32, 16, 4}};
    std::sort(listed.begin(), listed.end());
    std::sort(drawn.begin(), drawn.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(drawn, expected);
}

TEST(Manifest, AsksForCommonControls6AndSystemDpiAwareness) {
    ExeResources exe;
    ASSERT_NE(exe.module, nullptr) << "cannot load Orvane.exe as data: " << GetLastError();
    EXPECT_EQ(resourceNames(exe.module, RT_MANIFEST),
              std::vector<std::wstring>{std::to_wstring(reinterpret_cast<ULONG_PTR>(
                  CREATEPROCESS_MANIFEST_RESOURCE_ID))});
    std::vector<BYTE> bytes = exe.resource(CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"), std::string::npos)
        << text;
    EXPECT_NE(text.find(R"(>true</dpiAware>)"), std::string::npos);
    // The layout is computed once at start: no per-monitor awareness.
    EXPECT_EQ(text.find("dpiAwareness"), std::string::npos);
    EXPECT_NE(text.find(R"(level="asInvoker")"), std::string::npos);
}

// Windows reads the manifest when it starts the program; an activation
// context made from the resource is the same reading. With it active,
// comctl32.dll is the side-by-side Common Controls 6 assembly, not the
// system's version 5. (Wine's copy reports 5 from DllGetVersion either way,
// so the assembly's folder tells which one was loaded.)
TEST(Manifest, ActivatesCommonControls6) {
    std::wstring path = exePath();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "manifest rejected: " << GetLastError();

    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(context, &cookie));
    std::wstring loaded;
    if (HMODULE comctl = LoadLibraryW(L"comctl32.dll")) {
        wchar_t name[MAX_PATH] = {};
        GetModuleFileNameW(comctl, name, MAX_PATH);
        loaded = name;
        FreeLibrary(comctl);
    }
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
    std::transform(loaded.begin(), loaded.end(), loaded.begin(), towlower);
    EXPECT_NE(loaded.find(L"\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
        << loaded;
}

}  // namespace
