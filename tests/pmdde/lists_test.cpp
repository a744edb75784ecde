// The owned lists and their queries: entries read field by field, when a list
// is filled anew and what that destroys, failures part-way, and the style
// names that go to the caller's list.
#include <algorithm>

#include "tests/pmdde/scripted_host.h"

#if defined(__SANITIZE_ADDRESS__)
#define PM_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PM_TEST_ASAN 1
#endif
#endif
#ifdef PM_TEST_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

// One object entry: ID, three integers, three bytes, eight reals.
std::string Entry(int id) {
    return std::to_string(id) + ",2,-3,4,261,6,7,1.5,2.5,-4,7.25,5,6,7,8";
}

class ListsTest : public HostedPmDDE {
protected:
    long Asked(const std::string& query) const {
        return std::count(host.log.begin(), host.log.end(), "ask " + query);
    }
    // True when the object at `item` has been destroyed (its memory is
    // poisoned by the address sanitizer).
    static bool Destroyed(const void* item) {
#ifdef PM_TEST_ASAN
        return __asan_address_is_poisoned(item) != 0;
#else
        (void)item;
        return false;
#endif
    }
};

TEST_F(ListsTest, ObjectEntryHoldsItsFieldsInReplyOrder) {
    host.replies["GetObjectIDListTop"] = "1," + Entry(101);
    const TPmObject& o = pm.ObjectItem(0);
    EXPECT_EQ(o.ObjectID, 101);
    EXPECT_EQ(o.Int2, 2);
    EXPECT_EQ(o.Int3, -3);
    EXPECT_EQ(o.Int4, 4);
    EXPECT_EQ(o.Byte5, 5);  // 261, low byte
    EXPECT_EQ(o.Byte6, 6);
    EXPECT_EQ(o.Byte7, 7);
    EXPECT_EQ(o.Real1, 1.5f);
    EXPECT_EQ(o.Real4, 7.25f);
    EXPECT_EQ(o.Real8, 8.0f);
    EXPECT_EQ(o.Extent24(), 4.75f);
    EXPECT_EQ(o.Extent13(), 2.5f);
}

TEST_F(ListsTest, ItemFillsTheListOnlyWhenAbsent) {
    host.replies["GetObjectIDListTop"] = "2," + Entry(1) + "," + Entry(2);
    EXPECT_EQ(pm.ObjectItem(0).ObjectID, 1);
    EXPECT_EQ(pm.ObjectItem(1).ObjectID, 2);
    EXPECT_EQ(Asked("GetObjectIDListTop"), 1);
}

TEST_F(ListsTest, CountAlwaysFillsTheListAnew) {
    host.queued["GetObjectIDListTop"] = {"1," + Entry(1), "2," + Entry(5) + "," + Entry(6)};
    EXPECT_EQ(pm.ObjectCount(), 1);
    EXPECT_EQ(pm.ObjectCount(), 2);
    EXPECT_EQ(pm.ObjectItem(0).ObjectID, 5);
    EXPECT_EQ(Asked("GetObjectIDListTop"), 2);
}

TEST_F(ListsTest, CountBetweenTwoItemCallsDestroysTheFirstItems) {
#ifndef PM_TEST_ASAN
    GTEST_SKIP() << "needs the address sanitizer to see the destruction";
#endif
    host.queued["GetObjectIDListTop"] = {"1," + Entry(1), "1," + Entry(2)};
    const TPmObject* first = &pm.ObjectItem(0);
    EXPECT_FALSE(Destroyed(first));
    EXPECT_EQ(pm.ObjectCount(), 1);
    EXPECT_TRUE(Destroyed(first));
    EXPECT_EQ(pm.ObjectItem(0).ObjectID, 2);
}

TEST_F(ListsTest, ZeroOrNegativeCountLeavesAnEmptyList) {
    for (const char* reply : {"0", "-3,1,2"}) {
        host.replies["GetObjectIDListTop"] = reply;
        EXPECT_EQ(pm.ObjectCount(), 0) << "reply " << reply;
        EXPECT_EQ(MessageOf<EPmObjectsIdxError>([&] { pm.ObjectItem(0); }), "Нет элемента PageMaker с таким номером");
    }
    // The empty list is there, so the items did not ask again.
    EXPECT_EQ(Asked("GetObjectIDListTop"), 2);
}

TEST_F(ListsTest, IndexOutsideTheListRaises) {
    host.replies["GetSelectIDListTop"] = "2," + Entry(1) + "," + Entry(2);
    EXPECT_EQ(pm.SelectItem(1).ObjectID, 2);
    EXPECT_THROW(pm.SelectItem(2), EPmObjectsIdxError);
    EXPECT_THROW(pm.SelectItem(-1), EPmObjectsIdxError);
}

TEST_F(ListsTest, FailurePartWayKeepsTheEntriesRead) {
    host.replies["GetObjectIDList"] = "3," + Entry(1) + "," + Entry(2) + ",9,oops";
    EXPECT_THROW(pm.GetObjectIDList(), EPmCantExtractNumber);
    EXPECT_EQ(pm.ObjectItem(1).ObjectID, 2);
    EXPECT_THROW(pm.ObjectItem(2), EPmObjectsIdxError);
    EXPECT_EQ(Asked("GetObjectIDListTop"), 0);
}

TEST_F(ListsTest, FailureBeforeTheCountLeavesNoListSoTheItemAsksAgain) {
    host.queued["GetObjectIDListTop"] = {"1," + Entry(1), "x"};
    EXPECT_EQ(pm.ObjectCount(), 1);
    EXPECT_THROW(pm.ObjectCount(), EPmCantExtractNumber);
    // Refused query: still no list.
    EXPECT_THROW(pm.ObjectItem(0), EPmCantExecuteQuery);
    host.replies["GetObjectIDListTop"] = "1," + Entry(8);
    EXPECT_EQ(pm.ObjectItem(0).ObjectID, 8);
    EXPECT_EQ(Asked("GetObjectIDListTop"), 4);
}

TEST_F(ListsTest, EachListQueryFillsItsOwnRole) {
    host.replies["GetObjectIDList"] = "1," + Entry(1);
    host.replies["GetSelectIDList"] = "1," + Entry(2);
    pm.GetObjectIDList();
    pm.GetSelectIDList();
    EXPECT_EQ(pm.ObjectItem(0).ObjectID, 1);
    EXPECT_EQ(pm.SelectItem(0).ObjectID, 2);
    host.replies["GetSelectIDListTop"] = "0";
    EXPECT_EQ(pm.SelectCount(), 0);
    EXPECT_EQ(pm.ObjectItem(0).ObjectID, 1);
    const std::vector<std::string> expected = {"ask GetObjectIDList", "ask GetSelectIDList", "ask GetSelectIDListTop"};
    EXPECT_EQ(host.log, expected);
}

TEST_F(ListsTest, FontListReadsNameAndThreeNumbers) {
    host.replies["GetFontList"] = "2,\"Times New Roman\",1,2,3,\"Arial\",4,300,-1";
    pm.GetFontList();
    ASSERT_EQ(pm.FontCount(), 2);
    EXPECT_EQ(pm.FontItem(0).Name, "Times New Roman");
    EXPECT_EQ(pm.FontItem(0).Info1, 1);
    EXPECT_EQ(pm.FontItem(1).Name, "Arial");
    EXPECT_EQ(pm.FontItem(1).Info2, 44);
    EXPECT_EQ(pm.FontItem(1).Info3, 255);
}

TEST_F(ListsTest, FontListAnnouncingMoreFontsStopsAtTheEnd) {
    host.replies["GetFontList"] = "5,\"Times\",1,2,3";
    pm.GetFontList();
    EXPECT_EQ(pm.FontCount(), 1);
    EXPECT_THROW(pm.FontItem(1), EPmObjectsIdxError);
}

TEST_F(ListsTest, FontItemsNeverAsk) {
    EXPECT_EQ(pm.FontCount(), 0);
    EXPECT_THROW(pm.FontItem(0), EPmObjectsIdxError);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(ListsTest, FailedFontQueryLeavesAnEmptyList) {
    host.queued["GetFontList"] = {"1,\"Times\",1,2,3"};
    pm.GetFontList();
    EXPECT_EQ(pm.FontCount(), 1);
    EXPECT_THROW(pm.GetFontList(), EPmCantExecuteQuery);
    EXPECT_EQ(pm.FontCount(), 0);
}

TEST_F(ListsTest, StyleNamesGoToTheCallersClearedList) {
    host.replies["GetStyleNames"] = "3,\"Body\",\"Head, 1\",\"Caption\"";
    int32_t count = -99;
    std::vector<std::string> names = {"old"};
    pm.GetStyleNames(count, names);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names, (std::vector<std::string>{"Body", "Head, 1", "Caption"}));
}

TEST_F(ListsTest, StyleNamesAnnouncedButMissingAreEmpty) {
    host.replies["GetStyleNames"] = "3,\"Body\",\"Head\"";
    int32_t count = -99;
    std::vector<std::string> names = {"old"};
    pm.GetStyleNames(count, names);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names, (std::vector<std::string>{"Body", "Head", ""}));
}

TEST_F(ListsTest, StyleNamesWithNegativeCountLeaveAnEmptyList) {
    host.replies["GetStyleNames"] = "-2,\"Body\"";
    int32_t count = 0;
    std::vector<std::string> names = {"old"};
    pm.GetStyleNames(count, names);
    EXPECT_EQ(count, -2);
    EXPECT_TRUE(names.empty());
}

TEST_F(ListsTest, AbsurdStyleNameCountIsBoundedPastTheReply) {
    int32_t count = 0;
    std::vector<std::string> names;
    host.replies["GetStyleNames"] = "65536,\"Body\"";
    pm.GetStyleNames(count, names);
    EXPECT_EQ(names.size(), 65536u);
    host.replies["GetStyleNames"] = "2000000000,\"Body\"";
    pm.GetStyleNames(count, names);
    EXPECT_EQ(count, 2000000000);
    EXPECT_EQ(names.size(), 65536u);
    EXPECT_EQ(names.front(), "Body");
    EXPECT_EQ(names.back(), "");
}

TEST_F(ListsTest, DestroyingTheComponentDestroysItsLists) {
#ifndef PM_TEST_ASAN
    GTEST_SKIP() << "needs the address sanitizer to see the destruction";
#endif
    host.replies["GetFontList"] = "1,\"Times\",1,2,3";
    const TPmFont* font = nullptr;
    {
        TPmDDE local;
        local.DDEConv = &conv;
        local.GetFontList();
        font = &local.FontItem(0);
        EXPECT_FALSE(Destroyed(font));
    }
    EXPECT_TRUE(Destroyed(font));
}

}  // namespace
