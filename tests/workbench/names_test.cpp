// The name list through the form's buttons: adding, removing, saving and
// opening name files with the two dialogs.
#include <unistd.h>

#include <fstream>

#include "form_fixture.h"

namespace testhost {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class NamesTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        folder = fs::temp_directory_path() / ("rolemark-names-" + std::to_string(getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        fs::remove_all(folder);
        FormTest::TearDown();
    }
    static std::string Bytes(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path folder;
};

TEST_F(NamesTest, PlusAddsTheFieldsTextAsItStands) {
    AddNames({"Boris", " Anna ", "", "boris", "Boris"});
    EXPECT_EQ(form->NamesList.Items(), (Lines{"", " Anna ", "Boris", "boris", "Boris"}));
    EXPECT_EQ(form->NamesEdit.Text(), "Boris") << "expected the field to keep its text";
}

TEST_F(NamesTest, MinusRemovesTheSelectedEntryOnly) {
    AddNames({"Anna", "Boris", "Clara"});
    form->Button3Click();
    EXPECT_EQ(form->NamesList.Count(), 3) << "expected nothing removed without a selection";
    form->NamesList.UserSelect(1);
    form->Button3Click();
    EXPECT_EQ(form->NamesList.Items(), (Lines{"Anna", "Clara"}));
    EXPECT_EQ(form->NamesList.ItemIndex(), -1);
    form->Button3Click();
    EXPECT_EQ(form->NamesList.Count(), 2);
}

TEST_F(NamesTest, DialogsShowTheirSettings) {
    form->Button4Click();
    form->Button5Click();
    ASSERT_EQ(view.saveDialogs.size(), 1u);
    ASSERT_EQ(view.openDialogs.size(), 1u);
    const workbench::FileDialog& save = view.saveDialogs[0];
    EXPECT_EQ(save.title, "Сохранить список действующих лиц");
    EXPECT_EQ(save.filter, "text files|*.txt|any files|*.*");
    EXPECT_EQ(save.fileName, fs::path("words.txt"));
    EXPECT_EQ(save.defaultExt, "txt");
    const workbench::FileDialog& open = view.openDialogs[0];
    EXPECT_EQ(open.title, "Открыть список действующих лиц");
    EXPECT_EQ(open.filter, "text files|*.txt|any files|*.*");
    EXPECT_TRUE(open.fileName.empty());
    EXPECT_EQ(open.defaultExt, "txt");
}

TEST_F(NamesTest, CancelledDialogsChangeNothing) {
    AddNames({"Anna"});
    form->Button4Click();
    form->Button5Click();
    EXPECT_EQ(form->NamesList.Items(), (Lines{"Anna"}));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(NamesTest, SavedListOpensAgainSorted) {
    AddNames({"Clara", "anna", "Boris", ""});
    view.saveAnswer = folder / "cast.txt";
    form->Button4Click();
    EXPECT_EQ(Bytes(folder / "cast.txt"), "\r\nanna\r\nBoris\r\nClara\r\n");
    EXPECT_EQ(form->SaveDialog1.fileName, folder / "cast.txt") << "expected the next save to start from this file";

    form->NamesList.Clear();
    AddNames({"Someone else"});
    view.openAnswer = folder / "cast.txt";
    form->Button5Click();
    EXPECT_EQ(form->NamesList.Items(), (Lines{"", "anna", "Boris", "Clara"}));
    EXPECT_EQ(form->OpenDialog1.fileName, folder / "cast.txt");
}

TEST_F(NamesTest, OpenedLinesAreSortedAsTheyAreAdded) {
    std::ofstream(folder / "unsorted.txt", std::ios::binary) << "Zoya\nanna\rBoris\r\n\r\nAnna";
    view.openAnswer = folder / "unsorted.txt";
    form->Button5Click();
    EXPECT_EQ(form->NamesList.Items(), (Lines{"", "anna", "Anna", "Boris", "Zoya"}));
}

TEST_F(NamesTest, FileThatCannotBeOpenedLeavesTheListAsItWas) {
    AddNames({"Anna", "Boris"});
    form->NamesList.UserSelect(1);
    view.openAnswer = folder / "missing.txt";
    EXPECT_EQ(MessageOf([&] { form->Button5Click(); }), "Cannot open file " + (folder / "missing.txt").string());
    EXPECT_EQ(form->NamesList.Items(), (Lines{"Anna", "Boris"}));
    EXPECT_EQ(form->NamesList.ItemIndex(), 1);
}

TEST_F(NamesTest, EmptyFileEmptiesTheList) {
    std::ofstream(folder / "empty.txt", std::ios::binary).flush();
    AddNames({"Anna"});
    view.openAnswer = folder / "empty.txt";
    form->Button5Click();
    EXPECT_EQ(form->NamesList.Count(), 0);
}

TEST_F(NamesTest, FileThatCannotBeCreatedIsReported) {
    AddNames({"Anna"});
    view.saveAnswer = folder / "missing folder" / "cast.txt";
    EXPECT_EQ(MessageOf([&] { form->Button4Click(); }),
              "Cannot create file " + (folder / "missing folder" / "cast.txt").string());
    EXPECT_EQ(form->NamesList.Items(), (Lines{"Anna"}));
}

}  // namespace
}  // namespace testhost
