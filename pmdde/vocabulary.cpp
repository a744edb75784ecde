// The bodies of the vocabulary: generated for the regular rows of
// vocabulary.def, hand-written below for the rest.
#include "pmdde/PMDDE1.h"

#include <algorithm>

#define PM_PLAIN(Name) \
    void TPmDDE::Name() { ExecCommand(#Name); }
#define PM_COMMAND(Name, Format, ...) \
    void TPmDDE::Name(PM_PARAMS(__VA_ARGS__)) { ExecCommand(format::Compose(Format, {PM_ARGS(__VA_ARGS__)})); }
#include "pmdde/vocabulary.def"

// Readers: a fixed query word, the reply read from position 1, each output
// stored as soon as it is read.

void TPmDDE::GetFont(std::string& font) {
    int pos = 1;
    ExtractQuoted(Ask("GetFont"), pos, font);
}

float TPmDDE::GetSize() {
    int pos = 1;
    return ExtractNumber(Ask("GetSize"), pos);
}

int32_t TPmDDE::GetTrack() {
    int pos = 1;
    return ExtractInteger(Ask("GetTrack"), pos);
}

void TPmDDE::GetTypeOptions(float& r1, float& r2, float& r3, float& r4, float& r5, uint8_t& b6) {
    const std::string reply = Ask("GetTypeOptions");
    int pos = 1;
    r1 = ExtractNumber(reply, pos);
    r2 = ExtractNumber(reply, pos);
    r3 = ExtractNumber(reply, pos);
    r4 = ExtractNumber(reply, pos);
    r5 = ExtractNumber(reply, pos);
    b6 = static_cast<uint8_t>(ExtractInteger(reply, pos) & 0xFF);
}

float TPmDDE::GetLeading() {
    int pos = 1;
    return ExtractNumber(Ask("GetLeading"), pos);
}

float TPmDDE::GetWidth() {
    int pos = 1;
    return ExtractNumber(Ask("GetWidth"), pos);
}

void TPmDDE::GetStyle(std::string& style) {
    int pos = 1;
    ExtractQuoted(Ask("GetStyle"), pos, style);
}

void TPmDDE::GetTextCursor(int32_t& first, int32_t& start, int32_t& end) {
    const std::string reply = Ask("GetTextCursor");
    int pos = 1;
    first = ExtractInteger(reply, pos);
    start = ExtractInteger(reply, pos);
    end = ExtractInteger(reply, pos);
}

// List queries.

namespace {
constexpr int32_t MaxListEntries = 1 << 16;
}  // namespace

void TPmDDE::GetFontList() {
    fonts_ = std::make_unique<TPmFontList>();
    const std::string reply = Ask("GetFontList");
    int pos = 1;
    const int32_t count = ExtractInteger(reply, pos);
    const int length = static_cast<int>(reply.size());
    // NOTE: stops at the reply's end, so a count larger than the entries is harmless.
    while (fonts_->Count() < count && pos < length) {
        auto font = std::make_unique<TPmFont>();
        ExtractQuoted(reply, pos, font->Name);
        font->Info1 = ExtractInteger(reply, pos);
        font->Info2 = static_cast<uint8_t>(ExtractInteger(reply, pos) & 0xFF);
        font->Info3 = static_cast<uint8_t>(ExtractInteger(reply, pos) & 0xFF);
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
        // NOTE: from the reply's end on, every further name is empty. Fill them
        // at once, up to a sane bound, so an absurd count cannot exhaust memory.
        if (pos >= static_cast<int>(reply.size())) {
            names.resize(std::max(names.size(), static_cast<size_t>(std::min<int32_t>(count, MaxListEntries))));
            break;
        }
    }
}

namespace {
// Object and selection lists: the count, then each entry's fields in order.
// The previous list is gone before the query is asked; a failure before the
// count is read leaves the role without a list.
void FillObjects(TPmDDE& pm, std::unique_ptr<TPmObjectList>& list, const std::string& reply) {
    int pos = 1;
    const int32_t count = pm.ExtractInteger(reply, pos);
    list = std::make_unique<TPmObjectList>();
    for (int32_t i = 0; i < count; ++i) {
        auto o = std::make_unique<TPmObject>();
        o->ObjectID = pm.ExtractInteger(reply, pos);
        o->Int2 = pm.ExtractInteger(reply, pos);
        o->Int3 = pm.ExtractInteger(reply, pos);
        o->Int4 = pm.ExtractInteger(reply, pos);
        o->Byte5 = static_cast<uint8_t>(pm.ExtractInteger(reply, pos) & 0xFF);
        o->Byte6 = static_cast<uint8_t>(pm.ExtractInteger(reply, pos) & 0xFF);
        o->Byte7 = static_cast<uint8_t>(pm.ExtractInteger(reply, pos) & 0xFF);
        for (float* real : {&o->Real1, &o->Real2, &o->Real3, &o->Real4, &o->Real5, &o->Real6, &o->Real7, &o->Real8})
            *real = pm.ExtractNumber(reply, pos);
        list->Add(std::move(o));
    }
}
}  // namespace

void TPmDDE::GetSelectIDListTop() { selection_.reset(); FillObjects(*this, selection_, Ask("GetSelectIDListTop")); }
void TPmDDE::GetSelectIDList() { selection_.reset(); FillObjects(*this, selection_, Ask("GetSelectIDList")); }
void TPmDDE::GetObjectIDListTop() { objects_.reset(); FillObjects(*this, objects_, Ask("GetObjectIDListTop")); }
void TPmDDE::GetObjectIDList() { objects_.reset(); FillObjects(*this, objects_, Ask("GetObjectIDList")); }

TPmObject& TPmDDE::ObjectItem(int index) {
    if (!objects_) GetObjectIDListTop();
    if (!objects_ || index < 0 || index >= objects_->Count()) throw EPmObjectsIdxError(pmmsg::ObjectsIdxError());
    return (*objects_)[index];
}

TPmObject& TPmDDE::SelectItem(int index) {
    if (!selection_) GetSelectIDListTop();
    if (!selection_ || index < 0 || index >= selection_->Count()) throw EPmObjectsIdxError(pmmsg::ObjectsIdxError());
    return (*selection_)[index];
}

int TPmDDE::ObjectCount() {
    GetObjectIDListTop();
    return objects_ ? objects_->Count() : 0;
}

int TPmDDE::SelectCount() {
    GetSelectIDListTop();
    return selection_ ? selection_->Count() : 0;
}
