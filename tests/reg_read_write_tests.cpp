// RegRead: what a registry string value comes back as.
#include "RegReadWrite.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

TEST(RegistryStringFromData, DropsOneTrailingNullOnlyAndReadsOnlyStrings)
{
    struct Case {
        DWORD type;
        const char* data;
        DWORD size;
        const char* expected;
    } cases[] = {
        {REG_SZ, "abc", 4, "abc"},
        {REG_SZ, "abc", 3, "abc"},  // stored without its null: nothing is lost
        {REG_SZ, "", 1, ""},
        {REG_SZ, "", 0, ""},
        {REG_EXPAND_SZ, "%SystemRoot%", 13, "%SystemRoot%"},
        {REG_DWORD, "\x10\0\0\0", 4, ""},
        {REG_BINARY, "ab", 2, ""},
        {REG_MULTI_SZ, "a\0b\0", 5, ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(RegistryStringFromData(c.type, c.data, c.size).c_str(), c.expected)
            << "type " << c.type << " size " << c.size;
}

class RegReadTest : public testing::Test {
protected:
    void SetUp() override
    {
        path_ = "Software\\NoxKitTests\\RegRead" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine_,
                                  nullptr), ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user_,
                                  nullptr), ERROR_SUCCESS);
    }
    void TearDown() override
    {
        RegCloseKey(machine_);
        RegCloseKey(user_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\NoxKitTests");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\NoxKitTests");
    }
    void Set(HKEY key, const char* name, DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    }

    std::string path_;
    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
};

TEST_F(RegReadTest, StringValuesComeBackExactlyOrNotAtAll)
{
    const std::string outlook = "C:\\Program Files\\Microsoft Office\\Office\\OUTLOOK.EXE";
    const std::string fits(1023, 'x');     // 1024 bytes with its null
    const std::string tooLong(1024, 'y');  // 1025 bytes with its null
    Set(user_, "", REG_SZ, outlook + '\0');
    Set(user_, "empty", REG_SZ, std::string(1, '\0'));
    Set(user_, "fits", REG_SZ, fits + '\0');
    Set(user_, "tooLong", REG_SZ, tooLong + '\0');
    Set(user_, "unterminated", REG_SZ, "abc");
    Set(user_, "number", REG_DWORD, std::string("\x10\0\0\0", 4));
    // Expanded as the shell expands it, within the same bound.
    SetEnvironmentVariableA("NOX_KIT_LONG", std::string(1100, 'z').c_str());
    Set(user_, "expandable", REG_EXPAND_SZ, std::string("%SystemRoot%\\x.exe") + '\0');
    Set(user_, "expandsTooLong", REG_EXPAND_SZ, std::string("%NOX_KIT_LONG%") + '\0');

    struct Case {
        const char* name;
        std::string expected;
    } cases[] = {
        {"", outlook}, {"empty", ""}, {"fits", fits}, {"tooLong", ""},
        {"unterminated", "abc"}, {"number", ""}, {"absent", ""},
        {"expandable", getenv("SystemRoot") + std::string("\\x.exe")}, {"expandsTooLong", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegRead(path_.c_str(), c.name, HKEY_CURRENT_USER).c_str(), c.expected) << "value '" << c.name << "'";
    EXPECT_STREQ(RegRead((path_ + "\\NoSuchKey").c_str(), "", HKEY_CURRENT_USER).c_str(), "");
}

TEST_F(RegReadTest, WithoutARootReadsBelowLocalMachine)
{
    Set(machine_, "where", REG_SZ, std::string("machine") + '\0');
    Set(user_, "where", REG_SZ, std::string("user") + '\0');
    EXPECT_STREQ(RegRead(path_.c_str(), "where").c_str(), "machine");
}

TEST(RegReadFallingBackToView, ReadsTheOwnViewFirstAndTheOtherOnlyWhenItGivesNothing)
{
    // Wine shares App Paths between the registry views, unlike Windows; a
    // class key is one it keeps apart, as Windows does, so the fall-back is
    // proved on one of those.
    const std::string key = "Software\\Classes\\CLSID\\{5C0F3E21-9D3B-4C62-8E0A-7A1B2C3D4E5F}";
    const std::wstring wideKey(key.begin(), key.end());
    struct Case {
        const char* what;
        const wchar_t* own;    // null: no value in the program's own view
        const wchar_t* other;  // null: none in the other view
        const char* expected;
    } cases[] = {
        {"only in the other view", nullptr, L"C:\\Program Files\\Office\\OUTLOOK.EXE", "C:\\Program Files\\Office\\OUTLOOK.EXE"},
        {"in both views", L"C:\\Own\\OUTLOOK.EXE", L"C:\\Other\\OUTLOOK.EXE", "C:\\Own\\OUTLOOK.EXE"},
        {"only in the own view", L"C:\\Own\\OUTLOOK.EXE", nullptr, "C:\\Own\\OUTLOOK.EXE"},
        {"empty in the own view", L"", L"C:\\Other\\OUTLOOK.EXE", "C:\\Other\\OUTLOOK.EXE"},
        {"in neither", nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        if (c.own) {
            ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, wideKey, L"", c.own));
        }
        if (c.other) {
            ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, wideKey, L"", c.other, kOtherView));
        }
        if (c.own && c.other) {
            ASSERT_EQ(std::string(RegRead(key.c_str(), "").c_str()), Narrow(c.own)) << "the views are not kept apart here";
        }
        EXPECT_STREQ(RegReadFallingBackToView(key.c_str(), "", HKEY_LOCAL_MACHINE, kOtherView).c_str(), c.expected)
            << c.what;
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, wideKey);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, wideKey, kOtherView);
    }
}
