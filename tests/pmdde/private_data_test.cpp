// Private data, the guide queries and the selection information against a
// scripted host: the texts sent, the data-class keywords and their bounds,
// the ID list, the private-data list, and the guide arrays.
#include "tests/pmdde/scripted_host.h"

namespace {

constexpr float kSentinel = -777.25f;

class PrivateDataTest : public HostedPmDDE {
protected:
    std::vector<float> Sentinels(size_t n) const { return std::vector<float>(n, kSentinel); }
};

TEST_F(PrivateDataTest, EachDataClassSendsItsKeyword) {
    const char* keywords[] = {"classobject", "classstory", "classpub", "classpage", "classmaster"};
    for (int32_t dataClass = 0; dataClass <= 4; ++dataClass) {
        pm.PrivateString("n1", "n2", dataClass, 5, -6, 255, "some data");
        EXPECT_EQ(Last(), std::string("exec PrivateString \"n1\" \"n2\" ") + keywords[dataClass] +
                              " 5 1 -6 255 \"some data\"");
    }
}

TEST_F(PrivateDataTest, DataClassOutsideZeroToFourIsRefusedBeforeSending) {
    std::vector<float> none;
    for (int32_t dataClass : {-1, 5, INT32_MIN, INT32_MAX}) {
        const std::string message = "Класс данных PageMaker должен быть от 0 до 4, а не " + std::to_string(dataClass);
        EXPECT_EQ(MessageOf<Exception>([&] { pm.PrivateString("a", "b", dataClass, 0, 0, 0, ""); }), message);
        int32_t number = 0;
        std::string text;
        EXPECT_EQ(MessageOf<Exception>([&] { pm.GetPrivateString("a", "b", dataClass, 0, 0, number, text); }),
                  message);
        EXPECT_EQ(MessageOf<Exception>([&] { pm.GetPrivateList("a", "b", dataClass, 0, 0); }), message);
        EXPECT_EQ(MessageOf<Exception>([&] { pm.DeletePrivateData("a", "b", dataClass, 0, 0, {}); }), message);
    }
    EXPECT_TRUE(host.log.empty());
}

TEST_F(PrivateDataTest, DeleteHasTwoBlanksBeforeTheFirstID) {
    pm.DeletePrivateData("n1", "n2", 3, 7, 2, {10, 11});
    EXPECT_EQ(Last(), "exec DeletePrivateData \"n1\" \"n2\" classpage 7 2  10 11");
    pm.DeletePrivateData("n1", "n2", 3, 7, 1, {-10, 11});
    EXPECT_EQ(Last(), "exec DeletePrivateData \"n1\" \"n2\" classpage 7 1  -10");
}

TEST_F(PrivateDataTest, DeleteWithoutIDsEndsInTheCountAndABlank) {
    pm.DeletePrivateData("n1", "n2", 0, 7, 0, {10});
    EXPECT_EQ(Last(), "exec DeletePrivateData \"n1\" \"n2\" classobject 7 0 ");
    pm.DeletePrivateData("n1", "n2", 0, 7, -1, {});
    EXPECT_EQ(Last(), "exec DeletePrivateData \"n1\" \"n2\" classobject 7 -1 ");
}

TEST_F(PrivateDataTest, DeleteCountAboveTheIDsIsRefused) {
    pm.DeletePrivateData("n", "m", 1, 0, 2, {1, 2});
    const size_t before = host.log.size();
    EXPECT_EQ(MessageOf<Exception>([&] { pm.DeletePrivateData("n", "m", 1, 0, 3, {1, 2}); }),
              "Число идентификаторов 3 больше длины их списка 2");
    EXPECT_EQ(host.log.size(), before);
}

TEST_F(PrivateDataTest, GetPrivateStringReadsANumberAndAFreshText) {
    host.anyReply = "12,\"stored, text\"";
    int32_t number = -1;
    std::string text = "sentinel";
    pm.GetPrivateString("n1", "n2", 4, 8, -9, number, text);
    EXPECT_EQ(Last(), "ask GetPrivateString \"n1\" \"n2\" classmaster 8 -9");
    EXPECT_EQ(number, 12);
    EXPECT_EQ(text, "stored, text");
}

TEST_F(PrivateDataTest, GetPrivateStringWithoutANumberStoresNothing) {
    host.anyReply = "\"text\"";
    int32_t number = -1;
    std::string text = "sentinel";
    EXPECT_THROW(pm.GetPrivateString("n1", "n2", 4, 8, 9, number, text), EPmCantExtractNumber);
    EXPECT_EQ(number, -1);
    EXPECT_EQ(text, "sentinel");
}

TEST_F(PrivateDataTest, PrivateListEntriesHoldTheirOwnTexts) {
    host.anyReply = "2,\"a1\",\"a2\",1,2,3,4,5,\"b1\",\"b2\",6,7,8,9,10";
    pm.GetPrivateList("n1", "n2", 2, 1, 0);
    EXPECT_EQ(Last(), "ask GetPrivateList \"n1\" \"n2\" classpub 1 0");
    ASSERT_EQ(pm.PrivateCount(), 2);
    const TPrivates& first = pm.PrivateItem(0);
    const TPrivates& second = pm.PrivateItem(1);
    EXPECT_EQ(first.Text1, "a1");
    EXPECT_EQ(first.Text2, "a2");
    EXPECT_EQ(first.Int1, 1);
    EXPECT_EQ(first.Int5, 5);
    EXPECT_EQ(second.Text1, "b1");
    EXPECT_EQ(second.Text2, "b2");
    EXPECT_EQ(second.Int5, 10);
}

TEST_F(PrivateDataTest, PrivateListFailingPartWayKeepsTheEntriesRead) {
    host.anyReply = "3,\"a1\",\"a2\",1,2,3,4,5,\"b1\",\"b2\",6,7";
    EXPECT_THROW(pm.GetPrivateList("n1", "n2", 2, 1, 0), EPmCantExtractNumber);
    EXPECT_EQ(pm.PrivateCount(), 1);
    EXPECT_EQ(pm.PrivateItem(0).Text2, "a2");
    EXPECT_THROW(pm.PrivateItem(1), EPmObjectsIdxError);
}

TEST_F(PrivateDataTest, PrivateItemsNeverAsk) {
    EXPECT_EQ(pm.PrivateCount(), 0);
    EXPECT_EQ(MessageOf<EPmObjectsIdxError>([&] { pm.PrivateItem(0); }), "Нет элемента PageMaker с таким номером");
    EXPECT_TRUE(host.log.empty());
}

TEST_F(PrivateDataTest, GuidesIntoATooSmallArrayFillItAndRaise) {
    host.replies["GetHorizGuides"] = "5,1.5,2.5,3.5,4.5,5.5";
    int32_t count = -1;
    std::vector<float> positions = Sentinels(3);
    EXPECT_EQ(MessageOf<EArrTooLittle>([&] { pm.GetHorizGuides(count, positions); }), "ArrTooLittle");
    EXPECT_EQ(count, 5);
    EXPECT_EQ(positions, (std::vector<float>{1.5f, 2.5f, 3.5f}));
}

TEST_F(PrivateDataTest, GuidesIntoALargerArrayLeaveTheRestUntouched) {
    host.replies["GetVertGuides"] = "3,1.5,2.5,3.5";
    int32_t count = -1;
    std::vector<float> positions = Sentinels(5);
    pm.GetVertGuides(count, positions);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(positions, (std::vector<float>{1.5f, 2.5f, 3.5f, kSentinel, kSentinel}));
    EXPECT_EQ(Last(), "ask GetVertGuides");
}

TEST_F(PrivateDataTest, GuidesFillingTheArrayExactlyDoNotRaise) {
    host.replies["GetHorizGuides"] = "3,1.5,2.5,3.5";
    int32_t count = -1;
    std::vector<float> positions = Sentinels(3);
    pm.GetHorizGuides(count, positions);
    EXPECT_EQ(positions, (std::vector<float>{1.5f, 2.5f, 3.5f}));
}

TEST_F(PrivateDataTest, MalformedGuideEndsTheReadingQuietly) {
    host.replies["GetHorizGuides"] = "3,1.5,x,3.5";
    int32_t count = -1;
    std::vector<float> positions = Sentinels(3);
    pm.GetHorizGuides(count, positions);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(positions, (std::vector<float>{1.5f, kSentinel, kSentinel}));
    // Still too small for the count: raised all the same.
    std::vector<float> small = Sentinels(2);
    host.replies["GetHorizGuides"] = "4,1.5,x";
    EXPECT_THROW(pm.GetHorizGuides(count, small), EArrTooLittle);
    EXPECT_EQ(small, (std::vector<float>{1.5f, kSentinel}));
}

TEST_F(PrivateDataTest, MalformedGuideCountRaises) {
    host.replies["GetHorizGuides"] = "x,1.5";
    int32_t count = -1;
    std::vector<float> positions = Sentinels(1);
    EXPECT_THROW(pm.GetHorizGuides(count, positions), EPmCantExtractNumber);
    EXPECT_EQ(count, -1);
}

TEST_F(PrivateDataTest, SelectInfoReadsFourNumbersWithinFifty) {
    // 53 characters: the last number loses its last three digits to the window.
    host.queued["GetSelectInfo"] = {"1.5,2.5,-3.5,4.5", "11111111111111111111,2222222222222222222,3,4567890123"};
    float a = kSentinel, b = kSentinel, c = kSentinel, d = kSentinel;
    pm.GetSelectInfo(a, b, c, d);
    EXPECT_EQ(a, 1.5f);
    EXPECT_EQ(c, -3.5f);
    EXPECT_EQ(d, 4.5f);
    pm.GetSelectInfo(a, b, c, d);
    EXPECT_EQ(c, 3.0f);
    EXPECT_EQ(d, 4567890.0f);
}

}  // namespace
