// Private data (store, read, list, delete) and the guide queries.
//
// The private-data operations name their data with two texts and a data
// class, an index 0 to 4 into the class keywords. A class outside that range
// and a count above the caller's ID list are refused before anything is sent.
#include "pmdde/PMDDE1.h"

namespace {

const char* DataClassKeyword(int32_t dataClass) {
    static const char* const keywords[] = {"classobject", "classstory", "classpub", "classpage", "classmaster"};
    if (dataClass < 0 || dataClass > 4) throw Exception(pmmsg::BadDataClass(dataClass));
    return keywords[dataClass];
}

// The guide positions: the count, then one number per guide while the array
// has room. A malformed number ends the reading quietly; an array too small
// for the count is reported once the array is filled and the count is set.
void ReadGuides(TPmDDE& pm, const char* query, int32_t& count, std::vector<float>& positions) {
    std::string reply;
    pm.ExecQuery(query, reply);
    int pos = 1;
    count = pm.ExtractInteger(reply, pos);
    try {
        for (size_t i = 0; i < positions.size() && static_cast<int64_t>(i) < count; ++i)
            positions[i] = pm.ExtractNumber(reply, pos);
    } catch (const Exception&) {
        // The elements read so far stay.
    }
    if (static_cast<int64_t>(positions.size()) < count) throw EArrTooLittle(pmmsg::ArrTooLittle());
}

}  // namespace

void TPmDDE::PrivateString(Text name1, Text name2, Int dataClass, Int value1, Int value2, Byte value3, Text data) {
    const std::string keyword = DataClassKeyword(dataClass);
    ExecCommand(format::Compose("PrivateString \"%s\" \"%s\" %s %d 1 %d %d \"%s\"",
                                {name1, name2, keyword, value1, value2, value3, data}));
}

void TPmDDE::GetPrivateString(Text name1, Text name2, Int dataClass, Int value1, Int value2, int32_t& number,
                              std::string& text) {
    const std::string keyword = DataClassKeyword(dataClass);
    const std::string reply =
        Ask(format::Compose("GetPrivateString \"%s\" \"%s\" %s %d %d", {name1, name2, keyword, value1, value2}));
    int pos = 1;
    ReadField(reply, pos, number);
    text.clear();
    ReadField(reply, pos, text);
}

void TPmDDE::GetPrivateList(Text name1, Text name2, Int dataClass, Int value1, Int value2) {
    const std::string keyword = DataClassKeyword(dataClass);
    const std::string query =
        format::Compose("GetPrivateList \"%s\" \"%s\" %s %d %d", {name1, name2, keyword, value1, value2});
    privates_ = std::make_unique<TPmPrivatesList>();
    const std::string reply = Ask(query);
    int pos = 1;
    const int32_t count = ExtractInteger(reply, pos);
    // Each entry needs five numbers, so a count above the entries ends at the
    // reply's end with a number failure; the entries read before it stay.
    for (int32_t i = 0; i < count; ++i) {
        auto entry = std::make_unique<TPrivates>();
        ReadField(reply, pos, entry->Text1);
        ReadField(reply, pos, entry->Text2);
        for (int32_t* field : {&entry->Int1, &entry->Int2, &entry->Int3, &entry->Int4, &entry->Int5})
            ReadField(reply, pos, *field);
        privates_->Add(std::move(entry));
    }
}

void TPmDDE::DeletePrivateData(Text name1, Text name2, Int dataClass, Int value1, Int count,
                               const std::vector<int32_t>& ids) {
    const std::string keyword = DataClassKeyword(dataClass);
    if (count > 0 && static_cast<size_t>(count) > ids.size())
        throw Exception(pmmsg::CountAboveIds(count, static_cast<int64_t>(ids.size())));
    std::string idText;
    for (int32_t i = 0; i < count; ++i) idText += " " + std::to_string(ids[static_cast<size_t>(i)]);
    // NOTE: the format's blank and the first ID's own blank make two blanks
    // before the first ID; with no IDs the command ends in the count and a blank.
    ExecCommand(format::Compose("DeletePrivateData \"%s\" \"%s\" %s %d %d %s",
                                {name1, name2, keyword, value1, count, idText}));
}

void TPmDDE::GetHorizGuides(int32_t& count, std::vector<float>& positions) {
    ReadGuides(*this, "GetHorizGuides", count, positions);
}

void TPmDDE::GetVertGuides(int32_t& count, std::vector<float>& positions) {
    ReadGuides(*this, "GetVertGuides", count, positions);
}
