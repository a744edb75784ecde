// The list queries and the item operations of the lists the component owns:
// objects, selection, fonts, private data (filled in private_data.cpp), and
// the style names, which go to the caller's own list.
#include "pmdde/PMDDE1.h"

#include <algorithm>

namespace {

// NOTE: a reply may announce any count. Entries that the reply really holds
// cost characters; only the empty names that a style-name reply announces past
// its end cost nothing, so they are bounded here (a style list never comes
// near it) to keep an absurd count from exhausting memory.
constexpr int32_t kMaxAnnouncedNames = 1 << 16;

template <class List>
auto& ItemOf(const std::unique_ptr<List>& list, int index) {
    if (!list || index < 0 || index >= list->Count()) throw EPmObjectsIdxError(pmmsg::ObjectsIdxError());
    return (*list)[index];
}

}  // namespace

// Object and selection lists: the previous list is gone before the query is
// asked; the new one exists once its count is read, and keeps the entries
// read before a failure.
void TPmDDE::FillObjects(std::unique_ptr<TPmObjectList>& list, const std::string& query) {
    list.reset();
    const std::string reply = Ask(query);
    int pos = 1;
    const int32_t count = ExtractInteger(reply, pos);
    list = std::make_unique<TPmObjectList>();
    for (int32_t i = 0; i < count; ++i) {
        auto o = std::make_unique<TPmObject>();
        for (int32_t* field : {&o->ObjectID, &o->Int2, &o->Int3, &o->Int4}) ReadField(reply, pos, *field);
        for (uint8_t* field : {&o->Byte5, &o->Byte6, &o->Byte7}) ReadField(reply, pos, *field);
        for (float* field : {&o->Real1, &o->Real2, &o->Real3, &o->Real4, &o->Real5, &o->Real6, &o->Real7, &o->Real8})
            ReadField(reply, pos, *field);
        list->Add(std::move(o));
    }
}

void TPmDDE::GetSelectIDListTop() { FillObjects(selection_, "GetSelectIDListTop"); }
void TPmDDE::GetSelectIDList() { FillObjects(selection_, "GetSelectIDList"); }
void TPmDDE::GetObjectIDListTop() { FillObjects(objects_, "GetObjectIDListTop"); }
void TPmDDE::GetObjectIDList() { FillObjects(objects_, "GetObjectIDList"); }

void TPmDDE::GetFontList() {
    fonts_ = std::make_unique<TPmFontList>();
    const std::string reply = Ask("GetFontList");
    int pos = 1;
    const int32_t count = ExtractInteger(reply, pos);
    const int length = static_cast<int>(reply.size());
    // NOTE: stops at the reply's end, so a count above the entries is harmless.
    while (fonts_->Count() < count && pos < length) {
        auto font = std::make_unique<TPmFont>();
        ReadField(reply, pos, font->Name);
        ReadField(reply, pos, font->Info1);
        ReadField(reply, pos, font->Info2);
        ReadField(reply, pos, font->Info3);
        fonts_->Add(std::move(font));
    }
}

void TPmDDE::GetStyleNames(int32_t& count, std::vector<std::string>& names) {
    const std::string reply = Ask("GetStyleNames");
    names.clear();
    int pos = 1;
    count = ExtractInteger(reply, pos);
    for (int32_t i = 0; i < count; ++i) {
        std::string name;
        ExtractQuoted(reply, pos, name);
        names.push_back(std::move(name));
        // From the reply's end on, every further name is empty: add them at once.
        if (pos >= static_cast<int>(reply.size())) {
            names.resize(std::max(names.size(), static_cast<size_t>(std::min(count, kMaxAnnouncedNames))));
            break;
        }
    }
}

TPmObject& TPmDDE::ObjectItem(int index) {
    if (!objects_) GetObjectIDListTop();
    return ItemOf(objects_, index);
}

TPmObject& TPmDDE::SelectItem(int index) {
    if (!selection_) GetSelectIDListTop();
    return ItemOf(selection_, index);
}

int TPmDDE::ObjectCount() {
    GetObjectIDListTop();
    return objects_ ? objects_->Count() : 0;
}

int TPmDDE::SelectCount() {
    GetSelectIDListTop();
    return selection_ ? selection_->Count() : 0;
}

TPmFont& TPmDDE::FontItem(int index) { return ItemOf(fonts_, index); }
int TPmDDE::FontCount() { return fonts_ ? fonts_->Count() : 0; }
TPrivates& TPmDDE::PrivateItem(int index) { return ItemOf(privates_, index); }
int TPmDDE::PrivateCount() { return privates_ ? privates_->Count() : 0; }
