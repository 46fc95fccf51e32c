// What a user sees of the DLL without running it: the start-up failure text
// and the version block Explorer shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string VersionValue(const std::vector<char>& block, const char* name)
{
    std::string path = std::string("\\StringFileInfo\\040404B0\\") + name;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return "<missing>";
    return value;
}

TEST(QuorlinResources, StartupFailureTextIsTheTraditionalChineseString)
{
    HMODULE module = LoadLibraryExA("Quorlin.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC found = FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(101 / 16 + 1), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL));
    EXPECT_TRUE(found) << "the string table is Chinese (Taiwan)";
    wchar_t text[64] = L"";
    ASSERT_GT(LoadStringW(module, 101, text, 64), 0);
    EXPECT_STREQ(text, L"Windows sockets \u555F\u59CB\u5931\u6557\u3002");
    FreeLibrary(module);
}

TEST(QuorlinResources, VersionBlockDescribesTheLibrary)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA("Quorlin.dll", &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA("Quorlin.dll", 0, size, block.data()));

    const std::pair<const char*, const char*> values[] = {
        {"FileVersion", "1, 0, 0, 1"},
        {"ProductVersion", "1, 0, 0, 1"},
        {"FileDescription", "Quorlin DLL"},
        {"InternalName", "Quorlin"},
        {"OriginalFilename", "Quorlin.DLL"},
        {"ProductName", "Quorlin Dynamic Link Library"},
    };
    for (const auto& v : values) EXPECT_EQ(VersionValue(block, v.first), v.second) << v.first;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], 0x0404);
    EXPECT_EQ(translation[1], 1200);
}

}  // namespace
