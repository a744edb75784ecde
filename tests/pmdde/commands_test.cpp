// Command operations against a scripted host: the texts that the formatting
// run depends on, the commands that choose their form or are built from a
// list, the argument kinds at their bounds, the separators, the length limit
// and the link's rules as commands see them.
#include <algorithm>

#include "tests/pmdde/scripted_host.h"

namespace {

class CommandsTest : public HostedPmDDE {
protected:
    // What the host received as commands, in order.
    std::vector<std::string> Commands() const {
        std::vector<std::string> out;
        for (const std::string& entry : host.log)
            if (entry.rfind("exec ", 0) == 0) out.push_back(entry.substr(5));
        return out;
    }
    std::string Sent() const {
        const auto commands = Commands();
        return commands.empty() ? "<nothing>" : commands.back();
    }
};

TEST_F(CommandsTest, RealsGoOutWithTwoDecimals) {
    pm.Size(10);
    EXPECT_EQ(Sent(), "Size 10.00");
    pm.KernText(-0.05f);
    EXPECT_EQ(Sent(), "KernText -0.05");
    pm.Leading(12.25f);
    EXPECT_EQ(Sent(), "Leading 12.25");
    pm.TypeOptions(-2, -2, -2, -2, 1.5f, 1);
    EXPECT_EQ(Sent(), "TypeOptions -2.00 -2.00 -2.00 -2.00 1.50 1");
}

TEST_F(CommandsTest, SetWidthUsesTheGeneralForm) {
    pm.SetWidth(100);
    EXPECT_EQ(Sent(), "SetWidth 100");
    pm.SetWidth(95.5f);
    EXPECT_EQ(Sent(), "SetWidth 95.5");
}

TEST_F(CommandsTest, WholeNumbersOfTheFormattingRun) {
    pm.TypeStyle(2);
    EXPECT_EQ(Sent(), "TypeStyle 2");
    pm.TextSelect(0, 12);
    EXPECT_EQ(Sent(), "TextSelect 0 12");
    pm.TextCursor(10, 1);
    EXPECT_EQ(Sent(), "TextCursor 10 1");
    pm.SetTextCursor(3, 10, 20);
    EXPECT_EQ(Sent(), "SetTextCursor 3 10 20");
    pm.Track(4);
    EXPECT_EQ(Sent(), "Track 4");
    pm.SuppressAutosave(1);
    EXPECT_EQ(Sent(), "SuppressAutosave 1");
    pm.StyleBegin("Body text");
    EXPECT_EQ(Sent(), "StyleBegin \"Body text\"");
    pm.StyleEnd();
    EXPECT_EQ(Sent(), "StyleEnd");
    pm.Copy();
    EXPECT_EQ(Sent(), "Copy");
}

TEST_F(CommandsTest, IntegerKindsAtTheirBounds) {
    pm.Autoflow(-1);
    EXPECT_EQ(Sent(), "Autoflow -1");
    pm.Autoflow(-128);
    EXPECT_EQ(Sent(), "Autoflow -128");
    pm.Autoflow(127);
    EXPECT_EQ(Sent(), "Autoflow 127");
    pm.Alignment(255);
    EXPECT_EQ(Sent(), "Alignment 255");
    pm.Alignment(0);
    EXPECT_EQ(Sent(), "Alignment 0");
    pm.Select(INT32_MIN);
    EXPECT_EQ(Sent(), "Select -2147483648");
    pm.Select(INT32_MAX);
    EXPECT_EQ(Sent(), "Select 2147483647");
}

TEST_F(CommandsTest, TextsGoOutUnchanged) {
    pm.Font("");
    EXPECT_EQ(Sent(), "Font \"\"");
    pm.Font("Ti\"mes");
    EXPECT_EQ(Sent(), "Font \"Ti\"mes\"");
    pm.DefaultDir("c:\\my documents\\plays");
    EXPECT_EQ(Sent(), "DefaultDir c:\\my documents\\plays");
    pm.TextEnter(" line\r\nbreak ");
    EXPECT_EQ(Sent(), "TextEnter \" line\r\nbreak \"");
}

TEST_F(CommandsTest, ShortTextsAreCutAt255) {
    const std::string exactly(255, 'a');
    pm.AddPrinterStyle(exactly);
    EXPECT_EQ(Sent(), "AddPrinterStyle \"" + exactly + "\"");
    pm.AddPrinterStyle(exactly + "bc");
    EXPECT_EQ(Sent(), "AddPrinterStyle \"" + exactly + "\"");
}

TEST_F(CommandsTest, NewWithZeroSendsTheBareWord) {
    pm.New(0);
    EXPECT_EQ(Sent(), "New");
    pm.New(3);
    EXPECT_EQ(Sent(), "New 3");
    pm.New(-1);
    EXPECT_EQ(Sent(), "New -1");
}

TEST_F(CommandsTest, CropSendsOneValueForHandles0To4Except1) {
    const std::vector<std::pair<uint8_t, std::string>> cases = {
        {0, "crop 0 1.50"},        {1, "crop 1 1.50 2.00"}, {2, "crop 2 1.50"},
        {3, "crop 3 1.50"},        {4, "crop 4 1.50"},      {5, "crop 5 1.50 2.00"},
        {255, "crop 255 1.50 2.00"}};
    for (const auto& [handle, expected] : cases) {
        pm.Crop(handle, 1.5f, 2);
        EXPECT_EQ(Sent(), expected) << "handle " << int(handle);
    }
}

TEST_F(CommandsTest, MoveSendsXOrYOrBoth) {
    const std::vector<std::pair<uint8_t, std::string>> cases = {
        {0, "move 0 1.50"}, {1, "move 1 1.50 2.00"}, {2, "move 2 1.50"},
        {3, "move 3 2.00"}, {4, "move 4 2.00"},      {5, "move 5 1.50 2.00"}};
    for (const auto& [refPoint, expected] : cases) {
        pm.Move(refPoint, 1.5f, 2);
        EXPECT_EQ(Sent(), expected) << "reference point " << int(refPoint);
    }
}

TEST_F(CommandsTest, ChangeEnvSendsOptionsOneToFourInOrder) {
    pm.ChangeEnv(0);
    EXPECT_EQ(Sent(), "ChangeEnv");
    pm.ChangeEnv((1 << 0) | (1 << 5) | (1 << 7));
    EXPECT_EQ(Sent(), "ChangeEnv");
    pm.ChangeEnv((1 << 4) | (1 << 1));
    EXPECT_EQ(Sent(), "ChangeEnv 1 4");
    pm.ChangeEnv(0x1E);
    EXPECT_EQ(Sent(), "ChangeEnv 1 2 3 4");
    pm.ChangeEnv(0xFF);
    EXPECT_EQ(Sent(), "ChangeEnv 1 2 3 4");
}

TEST_F(CommandsTest, BookQuotesTheFirstCountTexts) {
    const std::vector<std::string> texts = {"a", "b"};
    pm.Book(1, 2, texts);
    EXPECT_EQ(Sent(), "Book 1 2 \"a\" \"b\"");
    pm.Book(1, 1, texts);
    EXPECT_EQ(Sent(), "Book 1 1 \"a\"");
    pm.Book(1, 0, texts);
    EXPECT_EQ(Sent(), "Book 1 0");
    pm.Book(1, -3, texts);
    EXPECT_EQ(Sent(), "Book 1 -3");
}

TEST_F(CommandsTest, BookStopsAtTheEndOfAShorterList) {
    pm.Book(2, 5, {"a", "b"});
    EXPECT_EQ(Sent(), "Book 2 5 \"a\" \"b\"");
    pm.Book(2, 1, {});
    EXPECT_EQ(Sent(), "Book 2 1");
}

TEST_F(CommandsTest, BookPast4096CharactersIsNotSent) {
    const size_t before = host.log.size();
    EXPECT_EQ(MessageOf<EConvertError>([&] { pm.Book(1, 2, {std::string(2045, 'a'), std::string(2045, 'b')}); }),
              "Format result longer than 4096 characters");
    EXPECT_EQ(host.log.size(), before);
}

TEST_F(CommandsTest, ImportAppendsEachOptionAfterABlank) {
    pm.Import("f", 2, 0, 1, 0, 0, 1, {{"Mode", "Fast"}});
    EXPECT_EQ(Sent(), "Import \"f\" 2 0 1 0 0 Mode Fast ");
    pm.Import("f", 2, 0, 1, 0, 0, 2, {{"Mode", "Fast"}, {"Links", "1"}});
    EXPECT_EQ(Sent(), "Import \"f\" 2 0 1 0 0 Mode Fast  Links 1 ");
    pm.Import("f", -1, -128, 127, 0, 0, 0, {{"Mode", "Fast"}});
    EXPECT_EQ(Sent(), "Import \"f\" -1 -128 127 0 0");
}

TEST_F(CommandsTest, ImportStopsAtTheEndOfAShorterList) {
    pm.Import("f", 2, 0, 1, 0, 0, 3, {{"Mode", "Fast"}});
    EXPECT_EQ(Sent(), "Import \"f\" 2 0 1 0 0 Mode Fast ");
}

TEST_F(CommandsTest, ImportOptionsKeepFortyAndSixtyCharacters) {
    const std::string name(45, 'n'), value(70, 'v');
    pm.Import("f", 0, 0, 0, 0, 0, 1, {{name, value}});
    EXPECT_EQ(Sent(), "Import \"f\" 0 0 0 0 0 " + name.substr(0, 40) + " " + value.substr(0, 60) + " ");
}

TEST_F(CommandsTest, ImportIsCutAt255AfterEachStep) {
    const std::string file(300, 'f');
    pm.Import(file, 2, 0, 1, 0, 0, 0, {});
    EXPECT_EQ(Sent(), ("Import \"" + file + "\" 2 0 1 0 0").substr(0, 255));
    // The first step fills 250 characters; the first option is cut behind
    // it and the second has no room left.
    const std::string file250(250 - 20, 'g');
    pm.Import(file250, 2, 0, 1, 0, 0, 2, {{"Mode", "Fast"}, {"Links", "1"}});
    EXPECT_EQ(Sent(), ("Import \"" + file250 + "\" 2 0 1 0 0 Mode Fast ").substr(0, 255));
    EXPECT_EQ(Sent().size(), 255u);
}

TEST_F(CommandsTest, ImportWithAFileTextPast4096IsNotSent) {
    const size_t before = host.log.size();
    EXPECT_THROW(pm.Import(std::string(4096, 'f'), 0, 0, 0, 0, 0, 0, {}), EConvertError);
    EXPECT_EQ(host.log.size(), before);
}

TEST_F(CommandsTest, BlackAttributesPadsItsRealsToThree) {
    pm.BlackAttributes(95, 1, 5, 0, 1);
    EXPECT_EQ(Sent(), "BlackAttributes  95 1   5 0 1");
}

TEST_F(CommandsTest, PlaceGroupsThousands) {
    pm.Place(1234.5f, 10);
    EXPECT_EQ(Sent(), "place 1,234.50 10.00");
    pm.Place(999.5f, -10);
    EXPECT_EQ(Sent(), "place 999.50 -10.00");
}

TEST_F(CommandsTest, FontDrawingSendsAFixedZeroFirst) {
    pm.FontDrawing(7);
    EXPECT_EQ(Sent(), "FontDrawing 0 7");
}

TEST_F(CommandsTest, TheProcessDecimalSeparatorIsUsed) {
    platform::ProcessNumberFormat() = platform::NumberFormat{',', '\xA0'};
    pm.Size(10);
    EXPECT_EQ(Sent(), "Size 10,00");
    pm.SetWidth(95.5f);
    EXPECT_EQ(Sent(), "SetWidth 95,5");
    pm.Place(1234.5f, 10);
    EXPECT_EQ(Sent(), "place 1\xA0" "234,50 10,00");
}

TEST_F(CommandsTest, TextsUpTo4096CharactersAreSent) {
    const std::string fits(4096 - 7, 'x');
    pm.Font(fits);
    EXPECT_EQ(Sent(), "Font \"" + fits + "\"");
    const size_t before = host.log.size();
    EXPECT_EQ(MessageOf<EConvertError>([&] { pm.Font(fits + "x"); }), "Format result longer than 4096 characters");
    EXPECT_EQ(MessageOf<EConvertError>([&] { pm.Find(fits, 1, 2, 3, 4, 5); }),
              "Format result longer than 4096 characters");
    EXPECT_EQ(host.log.size(), before);
}

TEST_F(CommandsTest, TryModePrefixesCommandsButTheMessageNamesTheCommand) {
    pm.SetTryMode65(true);
    pm.Copy();
    EXPECT_EQ(Sent(), "try Copy");
    pm.Size(10);
    EXPECT_EQ(Sent(), "try Size 10.00");
    conv.DropByServer();
    EXPECT_EQ(MessageOf<EPmCantExecuteCommand>([&] { pm.Copy(); }), "Не могу выполнить команду PageMaker - Copy");
}

TEST_F(CommandsTest, RefusedCommandNamesTheComposedText) {
    pm.WaitExec = true;
    pm.Size(10);
    EXPECT_EQ(MessageOf<EPmCantExecuteCommand>([&] { pm.TextSelect(1, 5); }),
              "Не могу выполнить команду PageMaker - TextSelect 1 5");
    EXPECT_EQ(Commands(), std::vector<std::string>{"Size 10.00"});
}

TEST_F(CommandsTest, LongOperationWaitsBeforeEveryCommand) {
    pm.LongOperation = true;
    host.queued["GetPMState"] = {"9", "7", "8"};
    pm.Crop(1, 1, 2);
    pm.New(0);
    const std::vector<std::string> expected = {"ask GetPMState", "ask GetPMState", "exec crop 1 1.00 2.00",
                                               "ask GetPMState", "exec New"};
    EXPECT_EQ(host.log, expected);
}

}  // namespace
