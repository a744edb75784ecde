// Name files: the bytes written, the line ends read, and failures that leave
// the previous file (or the caller's list) untouched.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <map>

#include "platform/exception.h"
#include "workbench/namefile.h"

namespace {

namespace fs = std::filesystem;
using Entries = std::vector<std::string>;

class NameFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("rolemark-namefile-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string Bytes(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const fs::path& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    // The message of the failing save of `entries` to `file`.
    static std::string MessageOf(const fs::path& file, const Entries& entries) {
        try {
            namefile::Save(file, entries);
        } catch (const Exception& e) {
            return e.Message();
        }
        return "<no exception>";
    }
    std::vector<std::string> FolderListing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder;
};

TEST_F(NameFileTest, SaveWritesEveryEntryWithCrLf) {
    const fs::path file = folder / "words.txt";
    namefile::Save(file, {"Anna", "", "Boris Petrovich"});
    EXPECT_EQ(Bytes(file), "Anna\r\n\r\nBoris Petrovich\r\n");
    EXPECT_EQ(FolderListing(), (std::vector<std::string>{"words.txt"})) << "expected no temporary file left";
}

TEST_F(NameFileTest, SavingAnEmptyListWritesAnEmptyFile) {
    const fs::path file = folder / "empty.txt";
    Write(file, "old content\r\n");
    namefile::Save(file, {});
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(Bytes(file), "");
}

TEST_F(NameFileTest, SaveAndOpenGiveBackTheSameEntries) {
    const fs::path file = folder / "cast.txt";
    const std::string cyrillic = "\xC0\xED\xED\xE0";  // Анна in code page 1251
    const Entries entries = {cyrillic, " spaced ", "", std::string(5000, 'x'), "tab\there"};
    namefile::Save(file, entries);
    EXPECT_EQ(namefile::Open(file), entries);
}

TEST_F(NameFileTest, EveryKindOfLineEndSplitsAlike) {
    const Entries expected = {"Anna", "Boris"};
    EXPECT_EQ(namefile::Split("Anna\r\nBoris\r\n"), expected);
    EXPECT_EQ(namefile::Split("Anna\nBoris\n"), expected);
    EXPECT_EQ(namefile::Split("Anna\rBoris\r"), expected);
    EXPECT_EQ(namefile::Split("Anna\rBoris\n"), expected);
}

TEST_F(NameFileTest, TwoLineEndsInARowGiveOneEmptyEntry) {
    const Entries expected = {"Anna", "", "Boris"};
    EXPECT_EQ(namefile::Split("Anna\r\n\r\nBoris\r\n"), expected);
    EXPECT_EQ(namefile::Split("Anna\n\nBoris"), expected);
    EXPECT_EQ(namefile::Split("Anna\r\rBoris"), expected);
    EXPECT_EQ(namefile::Split("Anna\r\r\nBoris"), expected) << "expected CR then CR LF to be two line ends";
    EXPECT_EQ(namefile::Split("\r\n"), (Entries{""}));
}

TEST_F(NameFileTest, LastLineWithoutEndIsTakenAndAFinalEndAddsNothing) {
    EXPECT_EQ(namefile::Split("Anna\r\nBoris"), (Entries{"Anna", "Boris"}));
    EXPECT_EQ(namefile::Split("Anna\r\n"), (Entries{"Anna"}));
    EXPECT_EQ(namefile::Split(""), Entries{});
}

TEST_F(NameFileTest, NulEndsTheText) {
    const fs::path file = folder / "nul.txt";
    Write(file, std::string("Anna\r\nBoris\0Clara\r\nDmitri\r\n", 27));
    EXPECT_EQ(namefile::Open(file), (Entries{"Anna", "Boris"}));
    EXPECT_EQ(namefile::Split(std::string("\0Anna", 5)), Entries{});
}

TEST_F(NameFileTest, EmptyFileGivesNoEntries) {
    const fs::path file = folder / "empty.txt";
    Write(file, "");
    EXPECT_EQ(namefile::Open(file), Entries{});
}

TEST_F(NameFileTest, FileThatCannotBeOpenedNamesItself) {
    const fs::path missing = folder / "missing.txt";
    try {
        namefile::Open(missing);
        FAIL() << "expected Cannot open file";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + missing.string());
    }
    EXPECT_THROW(namefile::Open(folder), Exception) << "expected a folder not to open as a file";
}

TEST_F(NameFileTest, FileNameInTheMessageIsUtf8) {
    const fs::path missing = folder / fs::u8path("Список.txt");
    try {
        namefile::Open(missing);
        FAIL() << "expected Cannot open file";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("Список.txt"), std::string::npos) << e.Message();
    }
}

TEST_F(NameFileTest, FileThatCannotBeCreatedLeavesNothingBehind) {
    const fs::path file = folder / "no such folder" / "words.txt";
    try {
        namefile::Save(file, {"Anna"});
        FAIL() << "expected Cannot create file";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + file.string());
    }
    EXPECT_FALSE(fs::exists(folder / "no such folder"));
}

TEST_F(NameFileTest, TargetThatCannotBeReplacedStaysAndNoTemporaryRemains) {
    const fs::path target = folder / "a folder";
    fs::create_directory(target);
    fs::create_directory(target / "inside");  // not replaceable by a file
    EXPECT_THROW(namefile::Save(target, {"Anna"}), Exception);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(FolderListing(), (std::vector<std::string>{"a folder"}));
}

// A write that fails after part of the file was written (here: the file-size
// limit of the process) leaves the old file as it was.
TEST_F(NameFileTest, SaveThatFailsHalfWayKeepsTheOldFile) {
    const fs::path file = folder / "words.txt";
    Write(file, "Old\r\nCast\r\n");
    const Entries large(2000, std::string(100, 'n'));  // about 200 KB

    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);

    std::string message;
    try {
        namefile::Save(file, large);
    } catch (const Exception& e) {
        message = e.Message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_EQ(message, "Cannot create file " + file.string());
    EXPECT_EQ(Bytes(file), "Old\r\nCast\r\n");
    EXPECT_EQ(FolderListing(), (std::vector<std::string>{"words.txt"}));
}

}  // namespace

namespace {

// A read-only name file, or a temporary file left by a crash under the name
// a save uses, stops nothing but what it must: the read-only file is kept as
// it was with a clear message, and the stale file does not block the save.
TEST_F(NameFileTest, ReadOnlyTargetIsKeptAndStaleTemporariesDoNotBlock) {
    const fs::path file = folder / "words.txt";
    Write(file, "Old\r\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(MessageOf(file, {"Anna"}), "Cannot create file " + file.string());
    EXPECT_EQ(Bytes(file), "Old\r\n");
    EXPECT_EQ(FolderListing(), (std::vector<std::string>{"words.txt"})) << "expected no temporary file left";

    fs::permissions(file, fs::perms::owner_all);
    for (const char* stale : {"words.txt.saving~", "~rmwords.txt.XXXXXX"}) fs::create_directory(folder / stale);
    namefile::Save(file, {"Anna"});
    EXPECT_EQ(Bytes(file), "Anna\r\n");
}

// Notepad saves UTF-8, other editors UTF-16: the names arrive in the ANSI
// code page (1251 here) whatever the file's encoding; plain ANSI is taken as
// it stands, even where it is not valid UTF-8.
TEST_F(NameFileTest, UnicodeFilesAreReadInTheAnsiCodePage) {
    const Entries cast = {"\xC0\xED\xED\xE0", "Boris", "\xC2\xE5\xF0\xE0"};  // Анна, Boris, Вера
    auto utf16 = [](const std::u16string& text, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : text) {
            const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        return bytes;
    };
    const std::map<std::string, std::string> files = {
        {"utf-8 with a mark", "\xEF\xBB\xBF" "Анна\r\nBoris\r\nВера\r\n"},
        {"utf-8", "Анна\nBoris\nВера"},
        {"utf-16le", utf16(u"Анна\r\nBoris\r\nВера\r\n", false)},
        {"utf-16be", utf16(u"Анна\r\nBoris\r\nВера", true)},
        {"ansi", "\xC0\xED\xED\xE0\r\nBoris\r\n\xC2\xE5\xF0\xE0\r\n"},
    };
    for (const auto& [kind, bytes] : files) {
        const fs::path file = folder / (kind + ".txt");
        Write(file, bytes);
        EXPECT_EQ(namefile::Open(file), cast) << kind;
    }
    const fs::path foreign = folder / "foreign.txt";
    Write(foreign, "Анна\r\n東京\r\n");
    try {
        namefile::Open(foreign);
        FAIL() << "expected a name the code page cannot hold to be refused";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Строка 2 файла " + foreign.string() + " содержит знаки, которых нет в кодировке Windows");
    }
}

}  // namespace
