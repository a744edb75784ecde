// The real registry, clock, clipboard, window list and shell (under Wine):
// raw bytes in and out, keys opened without being created, the clipboard's
// retry when another thread holds it, titles cut at 255 bytes, the shell's
// action on a file.
#include <windows.h>

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <ctime>
#include <stdexcept>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/locale.h"
#include "platform/win32/services.h"
#include "tests/win_thread.h"

namespace {

// A key of its own per run, removed afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = "Software\\Kestrova\\RolemarkProbe" + std::to_string(GetCurrentProcessId());
        SHDeleteKeyA(HKEY_CURRENT_USER, root.c_str());
    }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, root.c_str()); }

    platform::win32::Registry registry;
    std::string root;
};

TEST_F(RegistryTest, OpenOfAMissingKeyCreatesNothing) {
    EXPECT_EQ(nullptr, registry.Open(root + "\\Rolemark"));
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, root.c_str(), 0, KEY_READ, &key));
}

TEST_F(RegistryTest, CreateMakesMissingParentsAndOpenFindsTheKey) {
    ASSERT_NE(nullptr, registry.Create(root + "\\A\\Rolemark"));
    EXPECT_NE(nullptr, registry.Open(root + "\\A\\Rolemark"));
}

TEST_F(RegistryTest, ValuesComeBackWithTheirTypeAndExactBytes) {
    auto key = registry.Create(root);
    ASSERT_NE(nullptr, key);
    const std::string binary("\x00\x01\xff\x00\x7f\x80\x00\x10", 8);
    const std::string terminated("C:\\\xd0\xee\xeb\xfc\\rolemark.exe", 21);
    struct Case {
        const char* name;
        uint32_t type;
        std::string data;
    } cases[] = {
        {"Binary", platform::RegBinary, binary},
        {"Dword", platform::RegDword, std::string("\x01\x00\x00\x00", 4)},
        {"Terminated", platform::RegSz, terminated + '\0'},
        {"Expandable", platform::RegExpandSz, std::string("%TEMP%\\x.exe\0", 13)},
        {"Empty", platform::RegBinary, ""},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(key->Write(c.name, c.type, c.data)) << c.name;
        auto value = key->Read(c.name);
        ASSERT_TRUE(value) << c.name;
        EXPECT_EQ(c.type, value->type) << c.name;
        EXPECT_EQ(c.data, value->data) << c.name;
    }
    EXPECT_FALSE(key->Read("Missing"));
}

// NOTE: the ANSI query converts REG_SZ from the registry's UTF-16; Wine 8
// hands an unterminated text back with a zero added (measured), so the text
// may come back one byte longer, but never changed or cut.
TEST_F(RegistryTest, UnterminatedTextComesBackWhole) {
    auto key = registry.Create(root);
    ASSERT_NE(nullptr, key);
    ASSERT_TRUE(key->Write("Path", platform::RegSz, "C:\\no-zero.exe"));
    auto value = key->Read("Path");
    ASSERT_TRUE(value);
    EXPECT_EQ(platform::RegSz, value->type);
    EXPECT_EQ("C:\\no-zero.exe", value->data.substr(0, value->data.find('\0')));
    EXPECT_LE(value->data.size(), 15u);
}

TEST(ClockTest, NowIsTheLocalTimeOfTheRuntime) {
    platform::win32::Clock clock;
    std::time_t before = std::time(nullptr);
    platform::LocalTime now = clock.Now();
    std::tm local = *std::localtime(&before);
    std::tm mine{};
    mine.tm_year = now.year - 1900;
    mine.tm_mon = now.month - 1;
    mine.tm_mday = now.day;
    mine.tm_hour = now.hour;
    mine.tm_min = now.minute;
    mine.tm_sec = now.second;
    mine.tm_isdst = local.tm_isdst;
    double apart = std::difftime(std::mktime(&mine), before);
    EXPECT_LE(0, apart);
    EXPECT_GE(2, apart);
    EXPECT_GE(999, now.milliseconds);
    EXPECT_LE(0, now.milliseconds);
}

// Another thread holds the clipboard open for `ms` milliseconds.
class Holder {
public:
    explicit Holder(int ms) {
        thread_ = WinThread([this, ms] {
            HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            opened_ = OpenClipboard(owner) != FALSE;
            SetEvent(ready_);
            Sleep(ms);
            if (opened_) CloseClipboard();
            DestroyWindow(owner);
        });
        WaitForSingleObject(ready_, 5000);
    }
    ~Holder() {
        thread_.Join();
        CloseHandle(ready_);
    }
    bool opened() const { return opened_; }

private:
    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool opened_ = false;
    WinThread thread_;
};

TEST(ClipboardTest, TextRoundTripsAndEmptyLeavesNoText) {
    platform::win32::Clipboard clipboard;
    const std::string text = "\xc3\xe0\xec\xeb\xe5\xf2: \xc1\xfb\xf2\xfc \xe8\xeb\xe8 \xed\xe5 \xe1\xfb\xf2\xfc";
    ASSERT_TRUE(clipboard.SetText(text));
    EXPECT_EQ(text, clipboard.ReadText());
    ASSERT_TRUE(clipboard.Clear());
    EXPECT_EQ(std::string(), clipboard.ReadText());
}

TEST(ClipboardTest, TextStopsAtItsFirstZero) {
    platform::win32::Clipboard clipboard;
    ASSERT_TRUE(clipboard.SetText(std::string("first\0second", 12)));
    EXPECT_EQ("first", clipboard.ReadText());
}

TEST(ClipboardTest, HoldOfOverASecondIsWaitedOut) {
    // A remote desktop's clipboard sync holds it this long.
    platform::win32::Clipboard clipboard;
    ASSERT_TRUE(clipboard.SetText("kept"));
    Holder holder(1200);
    ASSERT_TRUE(holder.opened());
    EXPECT_EQ("kept", clipboard.ReadText());
    EXPECT_TRUE(clipboard.Clear());
}

TEST(ClipboardTest, HoldBeyondTheWaitIsReportedAsFailure) {
    platform::win32::Clipboard clipboard;
    ASSERT_TRUE(clipboard.SetText("kept"));
    {
        Holder holder(4500);
        ASSERT_TRUE(holder.opened());
        const DWORD started = GetTickCount();
        EXPECT_FALSE(clipboard.ReadText());
        EXPECT_FALSE(clipboard.SetText("lost"));
        EXPECT_LE(3900u, GetTickCount() - started) << "expected about 2 s of waiting for each";
    }
    EXPECT_EQ("kept", clipboard.ReadText());
}

// Hidden top-level windows of this process, destroyed with the fixture.
class WindowListTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (HWND window : windows) DestroyWindow(window);
    }
    HWND Make(const std::string& title) {
        HWND window = CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                                      nullptr, nullptr, nullptr);
        windows.push_back(window);
        return window;
    }
    std::vector<std::string> Titles() {
        std::vector<std::string> titles;
        list.ForEachTitle([&](const std::string& title) {
            titles.push_back(title);
            return true;
        });
        return titles;
    }
    static bool Has(const std::vector<std::string>& titles, const std::string& title) {
        return std::find(titles.begin(), titles.end(), title) != titles.end();
    }

    platform::win32::WindowList list;
    std::vector<HWND> windows;
};

TEST_F(WindowListTest, HiddenWindowsAreListedWithTheirTitles) {
    ASSERT_TRUE(Make("Rolemark probe \xcf\xfc\xe5\xf1\xe0"));
    EXPECT_TRUE(Has(Titles(), "Rolemark probe \xcf\xfc\xe5\xf1\xe0"));
}

TEST_F(WindowListTest, TitlesAreCutTo255Bytes) {
    ASSERT_TRUE(Make("Rolemark probe " + std::string(300, 'x')));
    EXPECT_TRUE(Has(Titles(), ("Rolemark probe " + std::string(300, 'x')).substr(0, 255)));
}

TEST_F(WindowListTest, VisitReturningFalseStopsTheWalk) {
    Make("Rolemark probe one");
    Make("Rolemark probe two");
    size_t all = Titles().size();
    ASSERT_GE(all, 2u);
    int visits = 0;
    list.ForEachTitle([&](const std::string&) { return ++visits < 2; });
    EXPECT_EQ(2, visits);
}

// The closure travels with each walk, so walks may nest.
TEST_F(WindowListTest, NestedWalksKeepTheirOwnClosures) {
    Make("Rolemark probe outer");
    size_t all = Titles().size();
    size_t outer = 0, inner = 0;
    list.ForEachTitle([&](const std::string&) {
        ++outer;
        list.ForEachTitle([&](const std::string&) {
            ++inner;
            return true;
        });
        return outer < 2;
    });
    EXPECT_EQ(2u, outer);
    EXPECT_EQ(2 * all, inner);
}

TEST_F(WindowListTest, ExceptionFromVisitStopsTheWalkAndReachesTheCaller) {
    Make("Rolemark probe throw");
    int visits = 0;
    EXPECT_THROW(list.ForEachTitle([&](const std::string&) -> bool {
        ++visits;
        throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(1, visits);
}

}  // namespace

namespace {

// An empty folder of the test's own in the temporary folder, removed after it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& stem) {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path = std::filesystem::path(base) / (stem + std::to_string(GetCurrentProcessId()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

// A name file is replaced whole or not at all: a read-only file, or one
// another program holds open without sharing, stays as it was, and no
// temporary file is left beside it.
TEST(FilesTest, TargetThatCannotBeReplacedStaysAndNothingIsLeft) {
    const ScratchFolder scratch("rolemark-files-");
    const std::filesystem::path& folder = scratch.path;
    const std::filesystem::path file = folder / "words.txt";
    auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        return names;
    };
    auto bytes = [&] {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    ASSERT_TRUE(platform::ReplaceFileContent(file, "Old\r\n"));
    ASSERT_TRUE(platform::ReplaceFileContent(file, "Anna\r\n"));
    EXPECT_EQ("Anna\r\n", bytes());

    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(platform::ReplaceFileContent(file, "Boris\r\n"));
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE locked = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    EXPECT_FALSE(platform::ReplaceFileContent(file, "Boris\r\n"));
    CloseHandle(locked);

    EXPECT_EQ("Anna\r\n", bytes());
    EXPECT_EQ(std::vector<std::string>{"words.txt"}, listing());
}

// The shell is loaded when first asked for, not at the program's start: the
// first request must still reach it.
TEST(ShellTest, OpenRunsTheFilesAction) {
    const ScratchFolder scratch("rolemark-shell-");
    const std::filesystem::path& folder = scratch.path;
    const std::filesystem::path mark = folder / "mark.txt";
    std::ofstream(folder / "mark.bat") << "@echo opened> \"%~dp0mark.txt\"\r\n";

    platform::win32::Shell().Execute("open", (folder / "mark.bat").string());
    for (int waited = 0; waited < 30000 && !std::filesystem::exists(mark); waited += 50) Sleep(50);
    EXPECT_TRUE(std::filesystem::exists(mark)) << "the batch file did not run";
    Sleep(200);  // the batch closes its output before the folder goes
}

// The letters of code page 1251 as the speaker check sees them, byte by
// byte: every Cyrillic letter, Ё and ё included, and nothing else but ASCII
// letters and the one Latin letter of the code page (µ).
TEST(LocaleTest, LettersOfCodePage1251) {
    if (GetACP() != 1251) GTEST_SKIP() << "the ANSI code page is " << GetACP();
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        wchar_t u = 0;
        ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, &c, 1, &u, 1), 1);
        const bool cyrillic = u >= 0x400 && u <= 0x4FF;
        const bool latin = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == 0xB5;
        const platform::AnsiCharKind kind = platform::ClassifyAnsiChar(c);
        EXPECT_EQ(kind.letter, cyrillic || latin) << "byte " << b;
        EXPECT_EQ(kind.cyrillic, cyrillic) << "byte " << b;
        if (latin || cyrillic) EXPECT_EQ(kind.upper, IsCharUpperW(u) != 0) << "byte " << b;
    }
}

}  // namespace
